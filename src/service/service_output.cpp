#include "service/service_output.h"

#include <windows.h>

#include <memory>

#include "core/config/config_store.h"
#include "core/event_log.h"
#include "core/log.h"
#include "core/paths.h"
#include "launch/launcher_variables.h"
#include "service/output_log.h"
#include "service/output_tail.h"

namespace {

// Creates the missing directories of a file's path, outermost first.
void createParentDirectories(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash == 0) return;
    std::wstring parent = path.substr(0, slash);
    DWORD attributes = GetFileAttributesW(parent.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return;
    createParentDirectories(parent);
    CreateDirectoryW(parent.c_str(), nullptr);
}

class Win32LogFiles : public OutputLogFiles {
public:
    ~Win32LogFiles() override { close(); }

    bool openAppend(const std::wstring& path, uint64_t& size, uint32_t& error) override {
        close();
        createParentDirectories(path);
        // Readers may look at it, and a rotation by hand may move it.
        file_ = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ == INVALID_HANDLE_VALUE) {
            error = GetLastError();
            return false;
        }
        LARGE_INTEGER length = {};
        size = GetFileSizeEx(file_, &length) ? static_cast<uint64_t>(length.QuadPart) : 0;
        return true;
    }

    bool write(const char* data, size_t size, uint32_t& error) override {
        while (size > 0) {
            DWORD written = 0;
            DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
            if (!WriteFile(file_, data, chunk, &written, nullptr) || written == 0) {
                error = GetLastError();
                return false;
            }
            data += written;
            size -= written;
        }
        return true;
    }

    void close() override {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }

    bool exists(const std::wstring& path) override { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    bool remove(const std::wstring& path) override { return DeleteFileW(path.c_str()) != 0; }
    bool rename(const std::wstring& from, const std::wstring& to, uint32_t& error) override {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
        error = GetLastError();
        return false;
    }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

// The reading thread writes, the service main reads the tail at the end.
CRITICAL_SECTION section;
bool started = false;
Win32LogFiles files;
std::unique_ptr<OutputLog> outputLog;
OutputTail tail;

// Output is mostly the VM's and the application's text in UTF-8 or the ANSI
// code page; bytes that are neither still show as something.
std::wstring decode(const std::string& line) {
    for (UINT codePage : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
        DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        int length = MultiByteToWideChar(codePage, flags, line.data(), static_cast<int>(line.size()), nullptr, 0);
        if (length <= 0) continue;
        std::wstring text(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(codePage, flags, line.data(), static_cast<int>(line.size()), &text[0], length);
        return text;
    }
    return std::wstring(line.begin(), line.end());
}

}  // namespace

void startServiceOutput() {
    InitializeCriticalSection(&section);
    started = true;
    std::wstring path;
    getWideString(cfg::kServiceOutputLog, path);
    if (path.empty()) return;
    expandVariablesWide(path, false);
    OutputLogSettings settings;
    makeAbsolutePathWide(settings.path, path, false);
    settings.rotateSize = outputLogNumber(findBase(cfg::kServiceOutputLogSize), kDefaultOutputLogSize);
    settings.keep = static_cast<int>(outputLogNumber(findBase(cfg::kServiceOutputLogKeep), kDefaultOutputLogKeep));
    settings.rollOnStart = getInt(cfg::kServiceOutputLogRollOnStart) != 0;
    logMessage(L"service output log %s (rotated at %I64u bytes, %d kept)", settings.path.c_str(),
               static_cast<unsigned long long>(settings.rotateSize), settings.keep);
    outputLog = std::make_unique<OutputLog>(
        settings, files,
        [](const std::wstring& text) {
            logError(L"%s", text.c_str());
            reportServiceEvent(ServiceEventKind::Warning, text + L" The service goes on without it.");
        },
        [](const std::wstring& text) { logError(L"%s", text.c_str()); });
    outputLog->start();
}

void keepServiceOutput(const char* data, size_t size) {
    if (!started) return;
    EnterCriticalSection(&section);
    tail.add(data, size);
    if (outputLog) outputLog->write(data, size);
    LeaveCriticalSection(&section);
}

void stopServiceOutput() {
    if (!started) return;
    EnterCriticalSection(&section);
    if (outputLog) outputLog->stop();
    outputLog.reset();
    LeaveCriticalSection(&section);
}

std::wstring serviceOutputTail() {
    if (!started) return std::wstring();
    EnterCriticalSection(&section);
    std::vector<std::string> lines = tail.lines();
    LeaveCriticalSection(&section);
    std::wstring text;
    for (const std::string& line : lines) {
        if (!text.empty()) text += L"\n";
        text += decode(line);
    }
    return text;
}
