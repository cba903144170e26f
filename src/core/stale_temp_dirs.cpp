#include "core/stale_temp_dirs.h"

#include <windows.h>

#include <optional>

#include "core/log.h"
#include "core/temp_dirs.h"
#include "core/temp_search.h"

namespace {

HANDLE lockFile = INVALID_HANDLE_VALUE;

// Nothing the extraction makes goes deeper; an application that built a
// deeper tree in it gets that much removed, and the rest stays.
constexpr int kMaxDepth = 16;

std::string withSeparator(std::string path) {
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path.push_back('\\');
    return path;
}

// Deletes the directory's contents except the entry named keep. A link
// (junction, symbolic link) is removed itself, never followed.
void removeContents(const std::string& directory, const char* keep, int depth) {
    std::string base = withSeparator(directory);
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((base + "*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == ".." || (keep && lstrcmpiA(name.c_str(), keep) == 0)) continue;
        std::string child = base + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesA(child.c_str(), entry.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && depth > 0)
                removeContents(child, nullptr, depth - 1);
            RemoveDirectoryA(child.c_str());
        } else {
            DeleteFileA(child.c_str());
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

void removeIfStale(const std::string& root, const std::string& name, const std::string& stem) {
    std::string directory = root + name;
    std::string lock = directory + "\\" + kLauncherTempLockName;
    // Opening the lock without sharing fails while its process lives (and
    // while another launcher is removing the same directory).
    HANDLE held = CreateFileA(lock.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (held == INVALID_HANDLE_VALUE) return;
    removeContents(directory, kLauncherTempLockName, kMaxDepth);
    // The lock goes last, so that a removal cut short is finished next time.
    CloseHandle(held);
    if (RemoveDirectoryA(directory.c_str())) {
        DeleteFileA((root + stem).c_str());
        logMessage(L"removed left-over launcher temp directory %S", directory.c_str());
    } else {
        logMessage(L"could not remove left-over launcher temp directory %S (%d)", directory.c_str(),
                   static_cast<int>(GetLastError()));
    }
}

void removeUnder(const std::string& tempRoot) {
    std::string root = withSeparator(tempRoot);
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((root + "vbx*_dir*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        // A link with a launcher temp directory's name is not one.
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        if (std::optional<std::string> stem = launcherTempDirStem(entry.cFileName))
            removeIfStale(root, entry.cFileName, *stem);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

}  // namespace

void lockLauncherTempDir(const std::string& directory) {
    std::string lock = directory + "\\" + kLauncherTempLockName;
    // Not inherited: a process the application starts must not keep it.
    lockFile = CreateFileA(lock.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (lockFile == INVALID_HANDLE_VALUE)
        logMessage(L"could not create the lock of %S (%d)", directory.c_str(), static_cast<int>(GetLastError()));
}

void unlockLauncherTempDir() {
    if (lockFile != INVALID_HANDLE_VALUE) CloseHandle(lockFile);
    lockFile = INVALID_HANDLE_VALUE;
}

void removeStaleLauncherTempDirs() {
    std::optional<std::string> root = tempRootIfFound();
    if (root) removeUnder(*root);
}

void removeStaleLauncherTempDirsQuietly() {
    std::optional<std::string> root = knownTempRoot();
    if (!root) return;
    int priority = GetThreadPriority(GetCurrentThread());
    // Lower disk priority too, where the system has it.
    bool background = SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN) != 0;
    if (!background) SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
    removeUnder(*root);
    if (background) {
        SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_END);
    } else {
        SetThreadPriority(GetCurrentThread(), priority);
    }
}
