#include "jvmsearch/jvm_loader.h"

#include <vector>

#include "core/config/config_ids.h"
#include "core/config/config_store.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/phase_times.h"
#include "jvmsearch/java_runtime.h"
#include "jvmsearch/search_text.h"
#include "jvmsearch/selected_jvm.h"
#include "support/native_library_path.h"

static_assert(sizeof(jint) == 4 && sizeof(jlong) == 8, "the VM's ABI");

namespace {

// The version as the system reports it to this program (no manifest, so
// Windows 8.1 and later report 6.2 here).
bool isBeforeWindows10() {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return false;
#pragma GCC diagnostic pop
    return info.dwMajorVersion < 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion < 4);
}

void logSetPathFailed(const std::string& value) {
    logMessage(L"Setting PATH %S failed with error %d", value.c_str(), static_cast<int>(GetLastError()));
}

}  // namespace

HMODULE tryJvmDll(const std::string& binDirectory, const std::string& folder) {
    std::string path = binDirectory + "\\" + folder + "\\" + jre::kJvmDll;
    bool exists = pathExists(path);
    logMessage(L"Trying %S (exists %d)", path.c_str(), exists ? 1 : 0);
    HMODULE library = LoadLibraryA(path.c_str());
    if (!library) {
        if (exists) logMessage(L"Failed with error code %d", static_cast<int>(GetLastError()));
        return nullptr;
    }
    selectedJvm().vmBinDirectory = binDirectory;
    return library;
}

void preloadUcrtbase(const std::string& binDirectory) {
    if (!isBeforeWindows10()) return;
    std::string path = binDirectory + "\\" + jre::kUcrtbaseDll;
    if (!pathExists(path)) return;
    logMessage(L"Preloading ucrtbase.dll 4");
    std::vector<char> previous(kPathBufferSize, '\0');
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(previous.size()), previous.data());
    if (length >= previous.size()) length = 0;
    SetCurrentDirectoryA(binDirectory.c_str());
    if (!LoadLibraryA(jre::kUcrtbaseDll) && !LoadLibraryA(path.c_str())) logMessage(L"Could not preload ucrtbase.dll");
    if (length > 0) SetCurrentDirectoryA(previous.data());
}

HMODULE loadJvmDll(const std::string& javaExe) {
    std::string binDirectory = javaExeDirectory(javaExe);
    DllDirectoryToken token = addDllDirectory(binDirectory);
    preloadUcrtbase(binDirectory);

    DWORD reportedSize = GetEnvironmentVariableA("PATH", nullptr, 0);
    std::string oldPath = currentPath();
    std::string newPath = binDirectory + ";" + oldPath;
    if (setPathEverywhere(newPath)) {
        logMessage(L"Setting PATH %d %S", static_cast<int>(reportedSize), newPath.c_str());
    } else {
        logSetPathFailed(newPath);
    }

    HMODULE library = nullptr;
    std::string configured;
    getString(cfg::kVmFolder, configured);
    if (configured.size() > 199) configured.resize(199);
    if (!configured.empty()) library = tryJvmDll(binDirectory, configured);
    for (size_t i = 0; !library && i < jre::kVmFolderCount; ++i) library = tryJvmDll(binDirectory, jre::kVmFolders[i]);

    if (!library) {
        removeDllDirectory(token);
        if (setPathEverywhere(oldPath)) {
            logMessage(L"Setting PATH %S", oldPath.c_str());
        } else {
            logSetPathFailed(oldPath);
        }
    }
    return library;
}

HMODULE loadJvmFromJavaExe(const std::string& javaExe) {
    markPhase("vm search");
    logMessage(L"Trying to load JVM-DLL from %S", javaExe.c_str());
    if (HMODULE library = loadJvmDll(javaExe)) return library;
    return loadJvmDll(javaExeDirectory(javaExe) + "\\..\\jre\\bin\\java.exe");
}

bool resolveCreateJavaVM(HMODULE library) {
    if (!library) return false;
    FARPROC entry = GetProcAddress(library, jre::kCreateJavaVMName);
    if (!entry) return false;
    selectedJvm().createJavaVM = reinterpret_cast<jre::CreateJavaVMFunction>(reinterpret_cast<void*>(entry));
    return true;
}
