#include "core/paths.h"

#include <windows.h>

#include <vector>

#include "core/format.h"
#include "core/log.h"
#include "core/path_rules.h"

namespace {

UINT fileApiCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

// A query into a path buffer that reports its length; a result that did not
// fit is a failed query, never a silently cut path.
template <typename Ch, typename Query>
bool queryPath(std::basic_string<Ch>& out, Query query) {
    std::vector<Ch> buffer(kPathBufferSize);
    DWORD length = query(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || overflowsPathBuffer(length)) return false;
    out.assign(buffer.data(), length);
    return true;
}

std::string directoryOfFile(const std::string& file) {
    std::string full;
    char* filePart = nullptr;
    bool ok = queryPath<char>(full, [&](char* b, DWORD n) { return GetFullPathNameA(file.c_str(), n, b, &filePart); });
    if (!ok) return cutAfterLastSeparator(file);
    return cutAfterLastSeparator(full);
}

std::wstring directoryOfFileWide(const std::wstring& file) {
    std::wstring full;
    wchar_t* filePart = nullptr;
    bool ok =
        queryPath<wchar_t>(full, [&](wchar_t* b, DWORD n) { return GetFullPathNameW(file.c_str(), n, b, &filePart); });
    if (!ok) return cutAfterLastSeparator(file);
    return cutAfterLastSeparator(full);
}

struct ExecutablePaths {
    std::wstring wide;
    std::string narrow;
};

std::optional<std::string> acceptableNarrow(const std::wstring& wide) {
    bool lossy = false;
    std::string narrow = toAnsi(wide, &lossy);
    if (lossy || !hasExeExtension(narrow)) return std::nullopt;
    return narrow;
}

ExecutablePaths computeExecutablePaths() {
    ExecutablePaths paths;
    std::wstring module;
    if (queryPath<wchar_t>(module, [](wchar_t* b, DWORD n) { return GetModuleFileNameW(nullptr, b, n); })) {
        paths.wide = module;
        std::wstring longForm;
        if (queryPath<wchar_t>(longForm, [&](wchar_t* b, DWORD n) { return GetLongPathNameW(module.c_str(), b, n); }))
            paths.wide = longForm;
    }

    std::optional<std::string> narrow;
    if (!paths.wide.empty()) narrow = acceptableNarrow(paths.wide);
    if (!narrow && !paths.wide.empty()) {
        std::wstring shortForm;
        if (queryPath<wchar_t>(shortForm,
                               [&](wchar_t* b, DWORD n) { return GetShortPathNameW(paths.wide.c_str(), b, n); }))
            narrow = acceptableNarrow(shortForm);
    }
    if (!narrow && !paths.wide.empty()) {
        std::optional<std::string> viaShell = shortPathViaShell(paths.wide);
        if (viaShell && hasExeExtension(*viaShell)) narrow = viaShell;
    }
    if (!narrow) {
        std::string moduleNarrow, shortNarrow;
        if (queryPath<char>(moduleNarrow, [](char* b, DWORD n) { return GetModuleFileNameA(nullptr, b, n); })) {
            if (queryPath<char>(shortNarrow,
                                [&](char* b, DWORD n) { return GetShortPathNameA(moduleNarrow.c_str(), b, n); }))
                narrow = shortNarrow;
            else
                narrow = moduleNarrow;
        }
    }
    paths.narrow = narrow.value_or(std::string());
    collapseBackslashes(paths.wide);
    collapseBackslashes(paths.narrow);
    return paths;
}

const ExecutablePaths& executablePaths() {
    static const ExecutablePaths paths = computeExecutablePaths();
    return paths;
}

void closeHandle(HANDLE& handle) {
    if (handle) CloseHandle(handle);
    handle = nullptr;
}

}  // namespace

std::string toAnsi(const std::wstring& wide, bool* lossy) {
    if (lossy) *lossy = false;
    UINT codePage = fileApiCodePage();
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    const char* defaultChar = "?";
    int size = WideCharToMultiByte(codePage, flags, wide.c_str(), -1, nullptr, 0, defaultChar, nullptr);
    if (size <= 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        // Code pages that take no flags and no default character.
        flags = 0;
        defaultChar = nullptr;
        size = WideCharToMultiByte(codePage, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    }
    if (size <= 0) {
        if (lossy) *lossy = true;
        return std::string();
    }
    std::vector<char> buffer(static_cast<size_t>(size));
    BOOL usedDefault = FALSE;
    int written = WideCharToMultiByte(codePage, flags, wide.c_str(), -1, buffer.data(), size, defaultChar,
                                      defaultChar ? &usedDefault : nullptr);
    if (written <= 0) {
        if (lossy) *lossy = true;
        return std::string();
    }
    if (lossy && usedDefault) *lossy = true;
    return std::string(buffer.data());
}

std::wstring fromAnsi(const std::string& narrow) {
    if (narrow.empty()) return std::wstring();
    std::vector<wchar_t> buffer(kPathBufferSize);
    int length = MultiByteToWideChar(fileApiCodePage(), 0, narrow.c_str(), -1, buffer.data(),
                                     static_cast<int>(buffer.size()));
    if (length <= 0) return std::wstring();
    return std::wstring(buffer.data());
}

void makeAbsolutePath(std::string& out, const std::string& path, const std::string* baseFile) {
    size_t mark = out.size();
    if (isRelativePath(path)) out += baseFile ? directoryOfFile(*baseFile) : getExecutableDirectory().narrow;
    out += path;
    collapseBackslashes(out, mark);
}

void makeAbsolutePathWide(std::wstring& out, const std::wstring& path, bool useNarrowDerivedDirectory,
                          const std::wstring* baseFile) {
    size_t mark = out.size();
    if (isRelativePathWide(path)) {
        if (baseFile)
            out += directoryOfFileWide(*baseFile);
        else
            out += useNarrowDerivedDirectory ? getExecutableDirectory().wideFromNarrow : getExecutableDirectory().wide;
    }
    out += path;
    collapseBackslashes(out, mark);
}

void canonicalPath(std::string& out, const std::string& path, bool keepCase) {
    std::string absolute;
    makeAbsolutePath(absolute, path);
    std::string canonical;
    if (queryPath<char>(canonical,
                        [&](char* b, DWORD n) { return GetFullPathNameA(absolute.c_str(), n, b, nullptr); })) {
        if (!keepCase) lowerCaseNarrowPath(canonical);
    } else {
        logError(L"could not get canonical path for %S.", absolute.c_str());
        canonical = absolute;
    }
    size_t mark = out.size();
    out += canonical;
    collapseBackslashes(out, mark);
}

void canonicalPathWide(std::wstring& out, const std::wstring& path, bool useNarrowDerivedDirectory, bool keepCase) {
    std::wstring absolute;
    makeAbsolutePathWide(absolute, path, useNarrowDerivedDirectory);
    std::wstring canonical;
    if (queryPath<wchar_t>(canonical,
                           [&](wchar_t* b, DWORD n) { return GetFullPathNameW(absolute.c_str(), n, b, nullptr); })) {
        if (!keepCase) lowerAsciiInPlace(canonical);
    } else {
        logError(L"could not get canonical path for %s.", absolute.c_str());
        canonical = absolute;
    }
    size_t mark = out.size();
    out += canonical;
    collapseBackslashes(out, mark);
}

void resolvePathList(std::string& out, const std::string& list, PathListCallback callback) {
    joinPathList(
        out, list, [](std::string& to, const std::string& piece) { makeAbsolutePath(to, piece); }, callback);
}

bool findFileInfo(const std::string& path, uint64_t* lastWriteTime) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    if (lastWriteTime)
        *lastWriteTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool findFileInfoWide(const std::wstring& path, uint64_t* lastWriteTime) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    if (lastWriteTime)
        *lastWriteTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool pathExists(const std::string& path) { return isDriveRootForm(path) || findFileInfo(path); }
bool pathExistsWide(const std::wstring& path) { return isDriveRootForm(path) || findFileInfoWide(path); }

const std::string& getExecutablePath() { return executablePaths().narrow; }
const std::wstring& getExecutablePathWide() { return executablePaths().wide; }

const ExecutableDirectory& getExecutableDirectory() {
    static const ExecutableDirectory directory = [] {
        ExecutableDirectory d;
        d.narrow = cutAfterLastSeparator(getExecutablePath());
        d.wideFromNarrow = widenBytes(d.narrow);
        d.wide = cutAfterLastSeparator(getExecutablePathWide());
        return d;
    }();
    return directory;
}

std::optional<std::string> shortPathViaShell(const std::wstring& path) {
    SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        logMessage(L"CreatePipe error (%d)", static_cast<int>(GetLastError()));
        return std::nullopt;
    }
    if (!SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0)) {
        logMessage(L"SetHandleInformation error (%d)", static_cast<int>(GetLastError()));
        closeHandle(readEnd);
        closeHandle(writeEnd);
        return std::nullopt;
    }
    std::wstring windowsDirectory;
    queryPath<wchar_t>(windowsDirectory, [](wchar_t* b, DWORD n) { return GetWindowsDirectoryW(b, n); });
    std::wstring command = formatWide(L"%s\\system32\\cmd.exe /C for %%I in (\"%s\") do @echo %%~sI",
                                      windowsDirectory.c_str(), path.c_str());
    logMessage(L"executing %s", command.c_str());

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> commandLine(command.begin(), command.end());
    commandLine.push_back(L'\0');
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        logMessage(L"could not execute cmd.exe");
        closeHandle(readEnd);
        closeHandle(writeEnd);
        return std::nullopt;
    }
    closeHandle(writeEnd);

    std::string output;
    std::vector<char> chunk(kPathBufferSize);
    while (output.size() < kPathBufferSize) {
        DWORD got = 0;
        if (!ReadFile(readEnd, chunk.data(), static_cast<DWORD>(kPathBufferSize - output.size()), &got, nullptr) ||
            got == 0)
            break;
        output.append(chunk.data(), got);
    }
    logMessage(L"finished reading from cmd.exe %d \"%S\"", static_cast<int>(output.size()), output.c_str());
    closeHandle(readEnd);

    // The interpreter has closed its output; give it a moment to finish so
    // that a good answer is not thrown away for being early.
    WaitForSingleObject(process.hProcess, 5000);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    logMessage(L"Exit Code %d", static_cast<int>(exitCode));
    std::optional<std::string> result;
    if (exitCode == STILL_ACTIVE) {
        logMessage(L"Terminating process");
        TerminateProcess(process.hProcess, 1);
    } else if (exitCode == 0 && output.size() >= 6) {
        size_t end = output.find_first_of("\r\n");
        if (end != std::string::npos) {
            result = output.substr(0, end);
            logMessage(L"Using %S", result->c_str());
        }
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return result;
}

void lowerCaseNarrowPath(std::string& path) {
    std::wstring wide = fromAnsi(path);
    if (wide.empty()) return;
    lowerAsciiInPlace(wide);
    bool lossy = false;
    std::string back = toAnsi(wide, &lossy);
    if (!lossy) path = back;
}

void collapseBackslashes(std::string& path, size_t start) {
    if (start >= path.size()) return;
    std::wstring wide = fromAnsi(path.substr(start));
    if (wide.empty()) return;
    collapseBackslashes(wide, 0);
    bool lossy = false;
    std::string back = toAnsi(wide, &lossy);
    if (!lossy) path.replace(start, std::string::npos, back);
}
