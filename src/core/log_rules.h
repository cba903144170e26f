// The platform-free rules of the diagnostic log and of error texts: the
// switch variables, the log file's name, the entry prefix, the UTF-8 bytes
// written, the "{0}" substitution and the log tail of a shown error.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct LogSwitch {
    bool on = false;
    bool safe = false;
};
// The values of VORBIX_LOG and TESSALY_LOG (nullptr when unset): each counts
// when exactly "yes" or "safe"; "safe" also asks for the safe mode.
LogSwitch decideLogSwitch(const wchar_t* vorbixLog, const wchar_t* tessalyLog);

// The directory the log goes to, ending in a separator: "c:\" for an empty
// temp root.
std::wstring logDirectory(const std::wstring& tempRoot);
// The first "<dir>tsy_nlog_<n>.log" (n from 1 to 1000) that does not exist,
// else the one with n = 1000.
std::wstring chooseLogFile(const std::wstring& directory, const std::function<bool(const std::wstring&)>& exists);
constexpr int kMaxLogNumber = 1000;
constexpr const wchar_t* kFallbackLogPath = L"c:\\tsy_nlog";

// "[<seconds>:<milliseconds>] " for the time elapsed since the log was opened.
std::wstring logEntryPrefix(int64_t elapsedMilliseconds);

// UTF-8 as a text-mode stream writes it: "\n" becomes CR LF; a lone
// surrogate becomes U+FFFD.
std::string encodeLogText(const std::wstring& text);
constexpr const char* kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The message with its first "{0}" replaced by the detail; unchanged without
// a detail or without a placeholder.
std::wstring substituteDetail(const std::wstring& message, const wchar_t* detail);

// The text of an error shown while a log is written: the text, a blank line
// and the log's path.
std::wstring withLogTail(const std::wstring& text, const std::wstring& logPath);
