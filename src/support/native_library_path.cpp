#include "support/native_library_path.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "core/config/config_ids.h"
#include "core/config/config_store.h"
#include "core/log.h"
#include "core/paths.h"
#include "support/path_reduction.h"

namespace {

using AddDllDirectoryFunction = DLL_DIRECTORY_COOKIE(WINAPI*)(PCWSTR);
using RemoveDllDirectoryFunction = BOOL(WINAPI*)(DLL_DIRECTORY_COOKIE);

FARPROC kernel32Export(const char* name) {
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    return kernel32 ? GetProcAddress(kernel32, name) : nullptr;
}

void putRuntimePath(const std::string& value) {
    std::string entry = "PATH=" + value;
    _putenv(entry.c_str());
}

void registerDirectory(const std::string& entry) {
    if (!entry.empty()) addDllDirectory(entry);
}

}  // namespace

std::string currentPath() {
    DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    while (size > 0) {
        std::vector<char> buffer(size + 10);
        DWORD got = GetEnvironmentVariableA("PATH", buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got < buffer.size()) return std::string(buffer.data(), got);
        size = got;
    }
    return std::string();
}

bool setPathEverywhere(const std::string& value) {
    bool ok = SetEnvironmentVariableA("PATH", value.c_str()) != 0;
    DWORD error = GetLastError();
    putRuntimePath(value);
    SetLastError(error);
    return ok;
}

DllDirectoryToken addDllDirectory(const std::string& directory) {
    if (getInt(cfg::kUseAddDllDirectory) == 0) return nullptr;
    auto add = reinterpret_cast<AddDllDirectoryFunction>(reinterpret_cast<void*>(kernel32Export("AddDllDirectory")));
    if (!add) return nullptr;
    std::wstring wide = fromAnsi(directory);
    if (wide.empty() && !directory.empty()) return nullptr;
    logMessage(L"Adding DLL directory %s", wide.c_str());
    return add(wide.c_str());
}

void removeDllDirectory(DllDirectoryToken token) {
    if (!token) return;
    auto remove = reinterpret_cast<RemoveDllDirectoryFunction>(reinterpret_cast<void*>(kernel32Export("RemoveDllDirectory")));
    if (!remove) return;
    logMessage(L"Removing DLL directory");
    remove(static_cast<DLL_DIRECTORY_COOKIE>(token));
}

void prepareNativeLibraryPath(void (*expand)(std::string& text)) {
    std::string directories = dupString(cfg::kNativeLibraryDirectories);
    logMessage(L"native lib dir is %S", directories.c_str());
    expand(directories);
    std::string path;
    resolvePathList(path, directories, registerDirectory);
    if (!path.empty() && path.back() != ';') path += ';';
    path += currentPath();
    if (setPathEverywhere(path)) {
        logMessage(L"Setting PATH (native libs) %S", path.c_str());
    } else {
        logMessage(L"Setting PATH (native libs) %S failed with error %d", path.c_str(),
                   static_cast<int>(GetLastError()));
    }
}

void reduceSearchPath() {
    if (getInt(cfg::kReduceSearchPath) == 0) return;
    DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (size == 0) return;
    std::vector<wchar_t> buffer(size);
    DWORD got = GetEnvironmentVariableW(L"PATH", buffer.data(), size);
    if (got == 0 || got >= size) return;
    wchar_t windows[MAX_PATH + 1] = {};
    UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return;
    std::wstring path(buffer.data(), got);
    logMessage(L"reducing PATH %d %d %s", static_cast<int>(length), static_cast<int>(size), path.c_str());
    std::wstring reduced = reducePathEntries(path, std::wstring(windows, length));
    logMessage(L"reduced PATH %d to %s", static_cast<int>(reduced.size()), reduced.c_str());
    if (!reduced.empty() && !SetEnvironmentVariableW(L"PATH", reduced.c_str())) logMessage(L"ERROR setting path");
}
