#include "core/log_rules.h"

#include <cwchar>

#include "core/format.h"

namespace {

bool counts(const wchar_t* value, bool& safe) {
    if (!value) return false;
    if (std::wcscmp(value, L"safe") == 0) {
        safe = true;
        return true;
    }
    return std::wcscmp(value, L"yes") == 0;
}

void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

LogSwitch decideLogSwitch(const wchar_t* vorbixLog, const wchar_t* tessalyLog) {
    LogSwitch result;
    // Both are always looked at, so "safe" in either one counts.
    bool first = counts(vorbixLog, result.safe);
    bool second = counts(tessalyLog, result.safe);
    result.on = first || second;
    return result;
}

std::wstring logDirectory(const std::wstring& tempRoot) {
    if (tempRoot.empty()) return L"c:\\";
    std::wstring directory = tempRoot;
    if (directory.back() != L'\\' && directory.back() != L'/') directory.push_back(L'\\');
    return directory;
}

std::wstring chooseLogFile(const std::wstring& directory, const std::function<bool(const std::wstring&)>& exists) {
    std::wstring candidate;
    for (int n = 1; n <= kMaxLogNumber; ++n) {
        candidate = formatWide(L"%stsy_nlog_%d.log", directory.c_str(), n);
        if (!exists(candidate)) break;
    }
    return candidate;
}

std::wstring logEntryPrefix(int64_t elapsedMilliseconds) {
    return formatWide(L"[%d:%d] ", static_cast<int>(elapsedMilliseconds / 1000),
                      static_cast<int>(elapsedMilliseconds % 1000));
}

std::string encodeLogText(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t code = static_cast<uint32_t>(text[i]);
        if (sizeof(wchar_t) == 2) code &= 0xFFFF;
        if (code == L'\n') {
            out += "\r\n";
            continue;
        }
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size()) {
            uint32_t low = static_cast<uint32_t>(text[i + 1]) & 0xFFFF;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) code = 0xFFFD;
        appendUtf8(out, code);
    }
    return out;
}

std::wstring substituteDetail(const std::wstring& message, const wchar_t* detail) {
    std::wstring result = message;
    size_t at = result.find(L"{0}");
    if (detail && at != std::wstring::npos) result.replace(at, 3, detail);
    return result;
}

std::wstring withLogTail(const std::wstring& text, const std::wstring& logPath) {
    return formatWide(L"%s\n\nLog: %s", text.c_str(), logPath.c_str());
}
