#include "core/log.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "core/config/config_store.h"
#include "support/format.h"
#include "support/temp_dirs.h"

namespace {

bool errorsInMessageBox = true;

void writeToStandardError(const wchar_t* text) {
    std::fprintf(stderr, "%S\n", text);
    std::fflush(stderr);
}

}  // namespace

void logMessage(const wchar_t*, ...) {}

void logError(const wchar_t*, ...) {}

const wchar_t* closeLogForDisplay() { return nullptr; }

void enterSafeLogMode() {}

void setErrorsInMessageBox(bool enabled) { errorsInMessageBox = enabled; }

void showError(const wchar_t* text) {
    if (errorsInMessageBox) {
        std::wstring title = getMessage(cfg::kMsgErrorTitle);
        // Without a desktop the box cannot appear; the text must not be lost.
        // (Wine answers -1 there, Windows 0.)
        if (MessageBoxW(nullptr, text, title.c_str(), MB_OK | MB_ICONERROR) <= 0) writeToStandardError(text);
        return;
    }
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (output != INVALID_HANDLE_VALUE && GetFileType(output) == FILE_TYPE_CHAR && GetConsoleMode(output, &mode)) {
        DWORD written = 0;
        WriteConsoleW(output, text, static_cast<DWORD>(wcslen(text)), &written, nullptr);
        return;
    }
    writeToStandardError(text);
}

void reportMessage(ConfigId id) { showError(getMessage(id).c_str()); }

void reportMessage(ConfigId id, const wchar_t* detail) {
    std::wstring message = getMessage(id);
    size_t at = message.find(L"{0}");
    if (detail && at != std::wstring::npos) message.replace(at, 3, detail);
    showError(message.c_str());
}

void reportMessage(ConfigId id, const char* detail) {
    if (!detail) return reportMessage(id);
    reportMessage(id, widenBytes(detail).c_str());
}

void fatalError(const wchar_t* text) {
    showError(text);
    exitLauncher(1);
}

void fatalError(ConfigId id) {
    reportMessage(id);
    exitLauncher(1);
}

void fatalError(ConfigId id, const wchar_t* detail) {
    reportMessage(id, detail);
    exitLauncher(1);
}

void fatalError(ConfigId id, const char* detail) {
    reportMessage(id, detail);
    exitLauncher(1);
}
