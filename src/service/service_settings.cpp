#include "service/service_settings.h"

#include "core/config/config_store.h"
#include "core/text_split.h"
#include "service/stop_timeout.h"

namespace {

bool sameAsciiIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? a[i] - 'A' + 'a' : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? b[i] - 'A' + 'a' : b[i];
        if (x != y) return false;
    }
    return i == a.size() && !b[i];
}

// Digits without a leading zero (but "0"), at most kMaxFailureNumber.
bool canonicalNumber(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 10 || (text[0] == '0' && text.size() > 1)) return false;
    uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    if (number > kMaxFailureNumber) return false;
    value = static_cast<uint32_t>(number);
    return true;
}

const std::string* entry(const std::map<ConfigId, std::string>& base, ConfigId id) {
    auto it = base.find(id);
    return it == base.end() ? nullptr : &it->second;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

AccountKind accountKind(const std::string& text) {
    if (text == "LocalSystem") return AccountKind::LocalSystem;
    if (text == "LocalService") return AccountKind::LocalService;
    if (text == "NetworkService") return AccountKind::NetworkService;
    if (text == "virtual") return AccountKind::Virtual;
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return AccountKind::Invalid;
    size_t slash = text.find('\\');
    if (slash == std::string::npos || slash == 0 || slash + 1 == text.size() ||
        text.find('\\', slash + 1) != std::string::npos)
        return AccountKind::Invalid;
    std::string domain = text.substr(0, slash);
    if (sameAsciiIgnoringCase(domain, "NT AUTHORITY") || sameAsciiIgnoringCase(domain, "NT SERVICE"))
        return AccountKind::Invalid;
    return AccountKind::User;
}

std::wstring serviceAccountName(AccountKind kind, const std::wstring& text, const std::wstring& serviceName) {
    switch (kind) {
        case AccountKind::LocalService:
            return L"NT AUTHORITY\\LocalService";
        case AccountKind::NetworkService:
            return L"NT AUTHORITY\\NetworkService";
        case AccountKind::Virtual:
            return L"NT SERVICE\\" + serviceName;
        case AccountKind::User:
            return text;
        default:
            return std::wstring();
    }
}

std::string encodeFailureActions(const FailureActions& actions) {
    std::string text = std::to_string(actions.resetSeconds);
    for (const FailureAction& action : actions.actions)
        text += action.restart ? ";R" + std::to_string(action.delayMs) : std::string(";N");
    if (actions.failOnNonZeroExit) text += ";F";
    return text;
}

bool decodeFailureActions(const std::string& text, FailureActions& out) {
    std::vector<std::string> parts = splitAt(text, ';');
    FailureActions decoded;
    if (!canonicalNumber(parts[0], decoded.resetSeconds)) return false;
    size_t end = parts.size();
    if (end > 1 && parts[end - 1] == "F") {
        decoded.failOnNonZeroExit = true;
        --end;
    }
    if (end < 2 || end - 1 > kMaxFailureActions) return false;
    for (size_t i = 1; i < end; ++i) {
        FailureAction action;
        if (parts[i] == "N") {
            decoded.actions.push_back(action);
            continue;
        }
        if (parts[i].empty() || parts[i][0] != 'R' || !canonicalNumber(parts[i].substr(1), action.delayMs))
            return false;
        action.restart = true;
        decoded.actions.push_back(action);
    }
    out = decoded;
    return true;
}

bool readPreshutdownTimeout(const std::map<ConfigId, std::string>& base, uint32_t& milliseconds) {
    const std::string* text = entry(base, cfg::kPreshutdownTimeout);
    int64_t wait = stopTimeoutMilliseconds(text);
    if (wait == kNoStopTimeout) return false;
    milliseconds = static_cast<uint32_t>(wait);
    return true;
}

std::string readServiceSettings(const std::map<ConfigId, std::string>& base, ServiceSettings& out) {
    out = ServiceSettings();
    if (const std::string* account = entry(base, cfg::kServiceAccount)) {
        out.account = accountKind(*account);
        if (out.account == AccountKind::Invalid)
            return "unknown service account " + quoted(*account) + " (entry " + std::to_string(cfg::kServiceAccount) + ")";
    }
    if (const std::string* actions = entry(base, cfg::kFailureActions)) {
        FailureActions decoded;
        if (!decodeFailureActions(*actions, decoded))
            return "unreadable failure actions " + quoted(*actions) + " (entry " + std::to_string(cfg::kFailureActions) +
                   ")";
        out.failureActions = decoded;
    }
    if (const std::string* delayed = entry(base, cfg::kDelayedAutoStart))
        out.delayedAutoStart = parseConfigInt(delayed->c_str()) != 0;
    if (const std::string* preshutdown = entry(base, cfg::kPreshutdownTimeout)) {
        uint32_t milliseconds = 0;
        if (!readPreshutdownTimeout(base, milliseconds))
            return "unreadable pre-shutdown timeout " + quoted(*preshutdown) + " (entry " +
                   std::to_string(cfg::kPreshutdownTimeout) + ")";
        out.preshutdownMs = milliseconds;
    }
    return "";
}
