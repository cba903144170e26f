#include "service/service_record.h"

#include <cwctype>

namespace {

bool sameIgnoringCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return i == a.size() && !b[i];
}

std::wstring startTypeText(const ServiceRecord& record) {
    switch (record.startType) {
        case 0:
            return L"boot";
        case 1:
            return L"system";
        case 2:
            return record.delayedAutoStart.value_or(false) ? L"automatic, delayed" : L"automatic";
        case 3:
            return L"on demand";
        case 4:
            return L"disabled";
        default:
            return L"unknown (" + std::to_wstring(record.startType) + L")";
    }
}

std::wstring actionText(const RecoveryAction& action) {
    std::wstring delay = L" after " + std::to_wstring(action.delayMs) + L" ms";
    switch (action.type) {
        case 0:
            return L"none";
        case 1:
            return L"restart" + delay;
        case 2:
            return L"reboot" + delay;
        case 3:
            return L"run the command" + delay;
        default:
            return L"unknown action " + std::to_wstring(action.type);
    }
}

std::wstring recoveryText(const ServiceRecord& record) {
    if (!record.recovery) return L"unknown (the system does not say)";
    const Recovery& recovery = *record.recovery;
    if (recovery.actions.empty()) return L"none";
    std::wstring text = L"reset after " + std::to_wstring(recovery.resetSeconds) + L" s;";
    for (size_t i = 0; i < recovery.actions.size(); ++i)
        text += (i ? L", " : L" ") + actionText(recovery.actions[i]);
    if (!recovery.command.empty()) text += L"; command " + recovery.command;
    if (record.recoveryOnNonZeroExit.value_or(false)) text += L"; also for a stop with a non-zero exit code";
    return text;
}

std::wstring stateText(uint32_t state) {
    static const wchar_t* const names[] = {L"unknown",         L"stopped",       L"start pending",
                                           L"stop pending",    L"running",       L"continue pending",
                                           L"pause pending",   L"paused"};
    return state < sizeof names / sizeof names[0] ? names[state] : L"unknown";
}

std::wstring line(const wchar_t* label, const std::wstring& value) {
    std::wstring text = label;
    text += L':';
    text.resize(18, L' ');
    return text + value;
}

}  // namespace

bool accountNeedsPassword(const std::wstring& account) {
    if (account.empty() || sameIgnoringCase(account, L"LocalSystem") || account.back() == L'$') return false;
    size_t slash = account.find(L'\\');
    if (slash == std::wstring::npos) return true;
    std::wstring domain = account.substr(0, slash);
    return !sameIgnoringCase(domain, L"NT AUTHORITY") && !sameIgnoringCase(domain, L"NT SERVICE");
}

std::vector<std::wstring> splitNulList(const std::wstring& list) {
    std::vector<std::wstring> names;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(L'\0', start);
        if (end == std::wstring::npos) end = list.size();
        if (end == start) break;  // the empty name that ends the list
        names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::wstring joinNulList(const std::vector<std::wstring>& names) {
    std::wstring list;
    for (const std::wstring& name : names) {
        list += name;
        list += L'\0';
    }
    if (!list.empty()) list += L'\0';
    return list;
}

std::vector<std::wstring> serviceInfoLines(const ServiceRecord& record) {
    std::wstring dependencies;
    for (const std::wstring& name : record.dependencies) {
        if (!dependencies.empty()) dependencies += L", ";
        dependencies += !name.empty() && name[0] == L'+' ? L"group " + name.substr(1) : name;
    }
    std::wstring preshutdown = record.preshutdownMs ? std::to_wstring(*record.preshutdownMs) + L" ms"
                                                    : std::wstring(L"the system's default");
    std::vector<std::wstring> lines = {
        line(L"Service", record.name),
        line(L"Display name", record.displayName),
        line(L"Program", record.binaryPath),
        line(L"Start type", startTypeText(record)),
        line(L"Account", record.account.empty() ? L"LocalSystem" : record.account),
        line(L"Description", record.description.empty() ? L"none" : record.description),
        line(L"Dependencies", dependencies.empty() ? L"none" : dependencies),
        line(L"Failure actions", recoveryText(record)),
        line(L"Pre-shutdown", preshutdown),
    };
    if (!record.grantedLogonRight.empty())
        lines.push_back(line(L"Logon right", L"granted by /install, taken back by /uninstall"));
    lines.push_back(line(L"State", stateText(record.state)));
    return lines;
}
