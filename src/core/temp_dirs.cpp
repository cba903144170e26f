#include "core/temp_dirs.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <vector>

#include "core/config/config_store.h"
#include "core/log.h"
#include "core/path_rules.h"
#include "core/paths.h"
#include "core/temp_dir_security.h"
#include "core/phase_times.h"
#include "core/temp_search.h"
#include "core/stale_temp_dirs.h"

namespace {

std::optional<std::string> narrowRoot;
std::optional<std::wstring> wideRoot;
std::string launcherTempDir;

constexpr const char* kLauncherTempDirSecurity = "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;OW)(A;OICI;FA;;;SY)";

// The narrow and wide platform calls behind one template.
DWORD tempPath(DWORD size, char* buffer) { return GetTempPathA(size, buffer); }
DWORD tempPath(DWORD size, wchar_t* buffer) { return GetTempPathW(size, buffer); }
DWORD environment(const char* name, char* buffer, DWORD size) { return GetEnvironmentVariableA(name, buffer, size); }
DWORD environment(const char* name, wchar_t* buffer, DWORD size) {
    std::wstring wideName(name, name + std::char_traits<char>::length(name));
    return GetEnvironmentVariableW(wideName.c_str(), buffer, size);
}
UINT windowsDirectory(char* buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); }
UINT windowsDirectory(wchar_t* buffer, UINT size) { return GetWindowsDirectoryW(buffer, size); }
BOOL createDirectory(const char* path) { return CreateDirectoryA(path, nullptr); }
BOOL createDirectory(const wchar_t* path) { return CreateDirectoryW(path, nullptr); }
BOOL removeDirectory(const char* path) { return RemoveDirectoryA(path); }
BOOL removeDirectory(const wchar_t* path) { return RemoveDirectoryW(path); }
bool exists(const std::string& path) { return findFileInfo(path); }
bool exists(const std::wstring& path) { return findFileInfoWide(path); }

template <typename Ch>
std::basic_string<Ch> literal(const char* text) {
    return std::basic_string<Ch>(text, text + std::char_traits<char>::length(text));
}

using FolderPathA = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
using FolderPathW = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

struct FolderFunctions {
    FolderPathA narrow = nullptr;
    FolderPathW wide = nullptr;
};

const FolderFunctions& folderFunctions() {
    static const FolderFunctions functions = [] {
        FolderFunctions f;
        if (HMODULE shell = LoadLibraryW(L"shell32.dll")) {
            f.narrow = reinterpret_cast<FolderPathA>(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetFolderPathA")));
            f.wide = reinterpret_cast<FolderPathW>(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetFolderPathW")));
        }
        return f;
    }();
    return functions;
}

bool folderPath(int folder, std::string& out) {
    if (!folderFunctions().narrow) return false;
    std::vector<char> buffer(kPathBufferSize, '\0');
    if (folderFunctions().narrow(nullptr, folder, nullptr, 0, buffer.data()) != 0 || buffer[0] == '\0') return false;
    out = buffer.data();
    return true;
}

bool folderPath(int folder, std::wstring& out) {
    if (!folderFunctions().wide) return false;
    std::vector<wchar_t> buffer(kPathBufferSize, L'\0');
    if (folderFunctions().wide(nullptr, folder, nullptr, 0, buffer.data()) != 0 || buffer[0] == L'\0') return false;
    out = buffer.data();
    return true;
}

// A platform query into a path buffer: nothing, or more than the buffer
// holds, skips the candidate.
template <typename Ch, typename Query>
bool query(std::basic_string<Ch>& out, Query run) {
    std::vector<Ch> buffer(kPathBufferSize);
    DWORD length = run(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || overflowsPathBuffer(length)) return false;
    out.assign(buffer.data(), length);
    return true;
}

template <typename Ch>
bool formCandidate(int kind, std::basic_string<Ch>& path) {
    using Str = std::basic_string<Ch>;
    path.clear();
    switch (kind) {
    case kLocalAppData:
    case kCommonAppData: {
        if (!folderPath(kind == kLocalAppData ? 0x1C : 0x23, path)) return false;
        path += literal<Ch>("\\tessaly");
        createDirectory(path.c_str());
        path += literal<Ch>(kind == kLocalAppData ? "\\t" : "\\temp");
        break;
    }
    case kTempPath:
        if (!query<Ch>(path, [](Ch* b, DWORD n) { return tempPath(n, b); })) return false;
        break;
    case kUserProfileTemp:
        if (!query<Ch>(path, [](Ch* b, DWORD n) { return environment("USERPROFILE", b, n); })) return false;
        path += literal<Ch>("\\AppData\\Local\\Temp");
        break;
    case kHomeDirectory: {
        Str drive, home;
        if (!query<Ch>(drive, [](Ch* b, DWORD n) { return environment("HOMEDRIVE", b, n); })) return false;
        if (!query<Ch>(home, [](Ch* b, DWORD n) { return environment("HOMEPATH", b, n); })) return false;
        path = drive + home;
        break;
    }
    case kWindowsTemp:
    case kWindowsDirectory:
        if (!query<Ch>(path, [](Ch* b, DWORD n) { return static_cast<DWORD>(windowsDirectory(b, n)); })) return false;
        if (kind == kWindowsTemp) path += literal<Ch>("\\temp");
        break;
    case kDriveTemp:
        path = literal<Ch>("c:\\temp");
        break;
    case kDriveTmp:
    case kDriveTmpCreated:
        path = literal<Ch>("c:\\tmp");
        break;
    default:
        return false;
    }
    // The root and everything formed under it must still fit a path buffer.
    return !path.empty() && !overflowsPathBuffer(path.size());
}

template <typename Str>
bool probe(const Str& directory) {
    std::srand(static_cast<unsigned>(std::time(nullptr)) * static_cast<unsigned>(GetCurrentProcessId()));
    int number = std::rand();
    Str name = probeDirName(directory, static_cast<int>(GetCurrentProcessId()), number);
    removeDirectory(name.c_str());
    if (!createDirectory(name.c_str())) return false;
    bool found = isDriveRootForm(name) || exists(name);
    removeDirectory(name.c_str());
    return found;
}

bool foldsUnchanged(const std::wstring& path, std::wstring& folded) {
    std::vector<wchar_t> buffer(kPathBufferSize - 1);
    int length = FoldStringW(MAP_PRECOMPOSED, path.c_str(), static_cast<int>(path.size()), buffer.data(),
                             static_cast<int>(buffer.size()));
    folded.assign(buffer.data(), length > 0 ? static_cast<size_t>(length) : 0);
    return length > 0 && static_cast<size_t>(length) == path.size();
}

}  // namespace

bool probeWritableDir(const std::string& directory) { return probe(directory); }
bool probeWritableDirWide(const std::wstring& directory) { return probe(directory); }

bool acceptTempCandidate(std::string& path, bool create, bool strict, bool preferLong, bool& exclamation,
                         std::optional<std::string>* longFormSeen) {
    exclamation = false;
    if (path.empty()) return false;
    if (create) CreateDirectoryA(path.c_str(), nullptr);
    if (hasExclamationMark(path)) {
        exclamation = true;
        return false;
    }
    if (strict || preferLong) {
        // One call fetches any long form that fits a path buffer; only a
        // longer one takes a second call with the size the first reported.
        std::vector<char> buffer(kPathBufferSize);
        DWORD length = GetLongPathNameA(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length >= buffer.size()) {
            buffer.assign(length + 10, '\0');
            length = GetLongPathNameA(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        }
        if (length != 0 && length < buffer.size()) {
            std::string longForm(buffer.data(), length);
            if (longFormSeen) *longFormSeen = longForm;
            if (hasExclamationMark(longForm)) {
                exclamation = true;
                return false;
            }
            if (longForm.find('?') != std::string::npos) {
                if (strict) return false;
            } else if (preferLong && !overflowsPathBuffer(length) && longForm != path) {
                logMessage(L"using long path %S", longForm.c_str());
                path = longForm;
            }
        }
    }
    return probeWritableDir(path);
}

bool acceptTempCandidateWide(const std::wstring& path, bool create, bool strict, bool& exclamation) {
    exclamation = false;
    if (path.empty()) return false;
    if (create) CreateDirectoryW(path.c_str(), nullptr);
    if (hasExclamationMark(path)) {
        exclamation = true;
        return false;
    }
    std::wstring folded;
    if (!foldsUnchanged(path, folded)) {
        logMessage(L"folding error %s %d %s %d", folded.c_str(), static_cast<int>(folded.size()), path.c_str(),
                   static_cast<int>(path.size()));
        return false;
    }
    if (!strict) return probeWritableDirWide(path);

    std::vector<wchar_t> buffer(kPathBufferSize);
    DWORD length = GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    // A long form too long for the buffer is a failed query: reject rather
    // than test a cut path. Without any long form, go on as the narrow test.
    if (overflowsPathBuffer(length)) return false;
    if (length != 0) {
        std::wstring longForm(buffer.data(), length);
        if (hasExclamationMark(longForm)) {
            exclamation = true;
            return false;
        }
        if (longForm.find(L'?') != std::wstring::npos) return false;
        if (!foldsUnchanged(longForm, folded)) {
            logMessage(L"folding error2 %s %d %s %d", folded.c_str(), static_cast<int>(folded.size()),
                       longForm.c_str(), static_cast<int>(longForm.size()));
            return false;
        }
    }
    return probeWritableDirWide(path);
}

void findTempRoot() {
    narrowRoot = std::string();
    wideRoot = std::wstring();
    TempSearchHooks hooks;
    hooks.formNarrow = [](int kind, std::string& path) { return formCandidate<char>(kind, path); };
    hooks.formWide = [](int kind, std::wstring& path) { return formCandidate<wchar_t>(kind, path); };
    // The wide test of a candidate whose wide path is the narrow one in ASCII
    // would probe the directory the narrow test probed a moment ago: its
    // answer is the narrow test's.
    std::string narrowFormed;
    std::optional<std::string> narrowLongForm;
    hooks.acceptNarrow = [&](std::string& path, const TempCandidate& c, bool& exclamation) {
        narrowFormed = path;
        narrowLongForm.reset();
        return acceptTempCandidate(path, c.create, c.strict, c.preferLong, exclamation, &narrowLongForm);
    };
    hooks.acceptWide = [&](const std::wstring& path, const TempCandidate& c, bool& exclamation) {
        if (wideTestRepeatsNarrow(narrowFormed, narrowLongForm ? &*narrowLongForm : nullptr, path, c.strict)) {
            exclamation = false;
            return true;
        }
        return acceptTempCandidateWide(path, c.create, c.strict, exclamation);
    };
    std::string narrow;
    std::wstring wide;
    if (searchTempRoot(getInt(cfg::kTempInLocalAppData) != 0, getInt(cfg::kPreferLongTempPath) != 0, hooks, narrow,
                       wide) == 0) {
        narrowRoot.reset();
        wideRoot.reset();
        return;
    }
    narrowRoot = narrow;
    wideRoot = wide;
    markPhase("temp root found");
}

std::string getTempRoot() {
    if (!narrowRoot) findTempRoot();
    if (!narrowRoot) fatalError(cfg::kMsgNoTempRoot);
    return *narrowRoot;
}

std::optional<std::string> tempRootIfFound() {
    if (!narrowRoot) findTempRoot();
    return narrowRoot;
}

std::optional<std::string> knownTempRoot() { return narrowRoot; }

std::wstring getTempRootWide(bool required) {
    if (!wideRoot) findTempRoot();
    if (!wideRoot) {
        if (required) fatalError(cfg::kMsgNoTempRoot);
        return std::wstring();
    }
    return *wideRoot;
}

std::string makeTempFileName() {
    std::string root = getTempRoot();
    logMessage(L"tempPath is %S", root.c_str());
    std::vector<char> buffer(kPathBufferSize, '\0');
    std::string name;
    if (GetTempFileNameA(root.c_str(), "vbx", 0, buffer.data()) != 0) {
        name = buffer.data();
    } else {
        logMessage(L"GetTempFileName failed (last error %d)", static_cast<int>(GetLastError()));
        std::srand(static_cast<unsigned>(std::time(nullptr)) * static_cast<unsigned>(GetCurrentProcessId()));
        name = tempFileStem(root, std::rand());
    }
    logMessage(L"tempFile is %S", name.c_str());
    return name;
}

void createLauncherTempDir() {
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::string name = makeTempFileName();
        launcherTempDir = launcherTempDirName(name, static_cast<int64_t>(std::time(nullptr)));
        logMessage(L"Temp dir3: %S", launcherTempDir.c_str());
        TempDirSecurity security;
        BOOL created = FALSE;
        if (buildTempDirSecurity(security)) {
            SECURITY_ATTRIBUTES attributes = {sizeof(SECURITY_ATTRIBUTES), &security.descriptor, FALSE};
            created = CreateDirectoryA(launcherTempDir.c_str(), &attributes);
        } else {
            logMessage(L"Failed to create security descriptor %d", static_cast<int>(GetLastError()));
            created = CreateDirectoryA(launcherTempDir.c_str(), nullptr);
        }
        if (created) {
            lockLauncherTempDir(launcherTempDir);
            markPhase("launcher temp dir");
            return;
        }
        logMessage(L"Could not create dir (%d)", static_cast<int>(GetLastError()));
    }
    launcherTempDir.clear();
    fatalError(cfg::kMsgCannotPrepareFiles, "7");
}

const char* launcherTempDirSecurity() { return kLauncherTempDirSecurity; }

const std::string& launcherTempDirectory() { return launcherTempDir; }
void setLauncherTempDirectory(const std::string& path) { launcherTempDir = path; }

void emptyDirectory(const std::string& path, int depth) {
    if (path.empty() || path[0] == '.') return;
    logMessage(L"emptying %S", path.c_str());
    std::string base = path;
    if (base.back() != '\\') base.push_back('\\');
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((base + "*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        std::string child = base + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            logMessage(L"attempting to remove %S (%d)", child.c_str(), depth);
            if (depth > 0) emptyDirectory(child, depth - 1);
            RemoveDirectoryA(child.c_str());
        } else {
            logMessage(L"attempting to delete %S", child.c_str());
            DeleteFileA(child.c_str());
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

void exitLauncher(int exitCode) {
    if (!launcherTempDir.empty()) {
        unlockLauncherTempDir();
        emptyDirectory(launcherTempDir, 1);
        RemoveDirectoryA(launcherTempDir.c_str());
    }
    writePhaseTimes();
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(exitCode));
}
