#include "core/log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "core/config/config_store.h"
#include "core/event_log.h"
#include "core/format.h"
#include "core/log_rules.h"
#include "core/paths.h"
#include "core/temp_dirs.h"
#include "core/window_functions.h"

namespace {

// The log's state; only touched inside the critical section.
CRITICAL_SECTION* logSection = nullptr;
bool initialised = false;
bool logSafeMode = false;
bool hasLogPath = false;
std::wstring logPath;
FILE* logFile = nullptr;
int64_t startTime = 0;

bool errorsInMessageBox = true;

int64_t millisecondsSince1601() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000);
}

void write(const std::wstring& text) {
    std::string bytes = encodeLogText(text);
    std::fwrite(bytes.data(), 1, bytes.size(), logFile);
}

// The file is written as UTF-8 text with CR LF line ends and a byte-order
// mark at the start, whether created or appended to.
bool openLog(bool create) {
    logFile = _wfopen(logPath.c_str(), create ? L"wb" : L"ab");
    if (!logFile) return false;
    std::fseek(logFile, 0, SEEK_END);
    if (std::ftell(logFile) == 0) std::fputs(kUtf8ByteOrderMark, logFile);
    return true;
}

void closeLog() {
    if (logFile) std::fclose(logFile);
    logFile = nullptr;
}

std::wstring environmentValue(const wchar_t* name, bool& present) {
    wchar_t buffer[16];
    DWORD length = GetEnvironmentVariableW(name, buffer, 16);
    present = length != 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    // Longer values are neither "yes" nor "safe".
    if (length >= 16) return L"-";
    return std::wstring(buffer, length);
}

void decideAndOpen() {
    initialised = true;
    bool vorbixSet = false, tessalySet = false;
    std::wstring vorbix = environmentValue(L"VORBIX_LOG", vorbixSet);
    std::wstring tessaly = environmentValue(L"TESSALY_LOG", tessalySet);
    LogSwitch decision = decideLogSwitch(vorbixSet ? vorbix.c_str() : nullptr, tessalySet ? tessaly.c_str() : nullptr);
    if (decision.safe) logSafeMode = true;
    if (!decision.on) return;

    std::wstring directory = logDirectory(getTempRootWide(false));
    logPath = chooseLogFile(directory, [](const std::wstring& p) { return pathExistsWide(p); });
    hasLogPath = true;
    if (!openLog(true)) {
        logPath = kFallbackLogPath;
        if (!openLog(true)) return;
    }
    std::vector<wchar_t> module(kPathBufferSize, L'\0');
    GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size() - 1));
    std::time_t now = std::time(nullptr);
    const char* when = std::ctime(&now);
    write(formatWide(L"Started executable %s (%d) at %S\n", module.data(), 0, when ? when : "\n"));
    std::fflush(logFile);
    startTime = millisecondsSince1601();
}

void logEntry(bool isError, const wchar_t* format, va_list args) {
    if (!logSection) {
        logSection = new CRITICAL_SECTION;
        InitializeCriticalSection(logSection);
    }
    EnterCriticalSection(logSection);
    if (hasLogPath && !logFile) openLog(false);
    // Deciding may itself log (the temp root search); those calls find the
    // decision made and no file open yet, and write nothing.
    if (!initialised) decideAndOpen();
    if (logFile) {
        std::wstring entry = logEntryPrefix(millisecondsSince1601() - startTime);
        if (isError) entry += L"ERROR: ";
        entry += formatWideV(format, args);
        entry += L"\n";
        write(entry);
        if (logSafeMode)
            closeLog();
        else
            std::fflush(logFile);
    }
    LeaveCriticalSection(logSection);
}

void writeToStandardError(const wchar_t* text) {
    std::fprintf(stderr, "%S\n", text);
    std::fflush(stderr);
}

// The console's own wide write, when standard output is one. A character
// device that is not a console (the NUL device) cannot take it.
bool writeToConsole(const wchar_t* text) {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (output == nullptr || output == INVALID_HANDLE_VALUE || GetFileType(output) != FILE_TYPE_CHAR ||
        !GetConsoleMode(output, &mode))
        return false;
    std::fflush(stdout);
    DWORD written = 0;
    return WriteConsoleW(output, text, static_cast<DWORD>(wcslen(text)), &written, nullptr) != 0;
}

std::wstring widenDetail(const char* detail) {
    std::vector<wchar_t> buffer(kTextBufferSize, L'\0');
    size_t length = std::mbstowcs(buffer.data(), detail, buffer.size() - 1);
    if (length == static_cast<size_t>(-1)) return widenBytes(detail);
    return std::wstring(buffer.data(), length);
}

}  // namespace

void logMessage(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    logEntry(false, format, args);
    va_end(args);
}

void logError(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    logEntry(true, format, args);
    va_end(args);
}

const wchar_t* closeLogForDisplay() {
    if (logSection) EnterCriticalSection(logSection);
    closeLog();
    const wchar_t* path = hasLogPath ? logPath.c_str() : nullptr;
    if (logSection) LeaveCriticalSection(logSection);
    return path;
}

const wchar_t* diagnosticLogPath() { return hasLogPath ? logPath.c_str() : nullptr; }

void enterSafeLogMode() {
    if (logSection) EnterCriticalSection(logSection);
    logSafeMode = true;
    closeLog();
    if (logSection) LeaveCriticalSection(logSection);
}

void setErrorsInMessageBox(bool enabled) { errorsInMessageBox = enabled; }

void showError(const wchar_t* text) {
    std::wstring shown = text ? text : L"";
    if (const wchar_t* path = closeLogForDisplay()) {
        std::vector<wchar_t> longPath(kPathBufferSize, L'\0');
        DWORD length = GetLongPathNameW(path, longPath.data(), static_cast<DWORD>(longPath.size()));
        std::wstring named = (length == 0 || length >= longPath.size()) ? std::wstring(path)
                                                                        : std::wstring(longPath.data(), length);
        shown = withLogTail(shown, named);
    }
    // In a service nobody reads the console, and a message box would wait on
    // an invisible desktop for a click that never comes: the event log and
    // the standard error stream take the text instead.
    if (serviceEventsEnabled()) {
        reportServiceEvent(ServiceEventKind::Error, shown);
        writeToStandardError(shown.c_str());
        return;
    }
    if (errorsInMessageBox) {
        std::wstring title = getMessage(cfg::kMsgErrorTitle);
        // Without a desktop (or without user32) the box cannot appear; the
        // text must not be lost. (Wine answers -1 there, Windows 0.)
        const WindowFunctions& user = windowFunctions();
        if (!user.messageBox || user.messageBox(nullptr, shown.c_str(), title.c_str(), MB_OK | MB_ICONERROR) <= 0)
            writeToStandardError(shown.c_str());
        return;
    }
    if (writeToConsole(shown.c_str())) return;
    writeToStandardError(shown.c_str());
}

void reportMessage(ConfigId id) { showError(getMessage(id).c_str()); }

void reportMessage(ConfigId id, const wchar_t* detail) {
    showError(substituteDetail(getMessage(id), detail).c_str());
}

void reportMessage(ConfigId id, const char* detail) {
    if (!detail) return reportMessage(id);
    reportMessage(id, widenDetail(detail).c_str());
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
