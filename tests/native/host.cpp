#include "host.h"

#include <cstdarg>

#include "core/config/config_store.h"
#include "core/format.h"
#include "core/log.h"
#include "core/temp_dirs.h"

std::vector<std::wstring>& hostLog() {
    static std::vector<std::wstring> entries;
    return entries;
}

std::vector<std::wstring>& hostShown() {
    static std::vector<std::wstring> shown;
    return shown;
}

void resetHost() {
    hostLog().clear();
    hostShown().clear();
}

void logMessage(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    hostLog().push_back(formatWideV(format, args));
    va_end(args);
}

void logError(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    hostLog().push_back(L"ERROR: " + formatWideV(format, args));
    va_end(args);
}

const wchar_t* closeLogForDisplay() { return nullptr; }
const wchar_t* diagnosticLogPath() { return nullptr; }
void enterSafeLogMode() {}
void setErrorsInMessageBox(bool) {}
void showError(const wchar_t* text) { hostShown().push_back(text); }

namespace {
std::wstring messageWithDetail(ConfigId id, const std::wstring* detail) {
    std::wstring message = getMessage(id);
    size_t at = message.find(L"{0}");
    if (detail && at != std::wstring::npos) message.replace(at, 3, *detail);
    return message;
}
}  // namespace

void reportMessage(ConfigId id) { showError(messageWithDetail(id, nullptr).c_str()); }
void reportMessage(ConfigId id, const wchar_t* detail) {
    std::wstring text = detail ? detail : L"";
    showError(messageWithDetail(id, detail ? &text : nullptr).c_str());
}
void reportMessage(ConfigId id, const char* detail) {
    std::wstring text = detail ? widenBytes(detail) : L"";
    showError(messageWithDetail(id, detail ? &text : nullptr).c_str());
}

void fatalError(const wchar_t* text) {
    showError(text);
    throw FatalErrorThrown{text};
}
void fatalError(ConfigId id) {
    reportMessage(id);
    throw FatalErrorThrown{hostShown().back()};
}
void fatalError(ConfigId id, const wchar_t* detail) {
    reportMessage(id, detail);
    throw FatalErrorThrown{hostShown().back()};
}
void fatalError(ConfigId id, const char* detail) {
    reportMessage(id, detail);
    throw FatalErrorThrown{hostShown().back()};
}

void exitLauncher(int exitCode) { throw ExitLauncherThrown{exitCode}; }
