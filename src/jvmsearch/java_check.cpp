#include "jvmsearch/java_check.h"

#include <windows.h>

#include <vector>

#include "core/config/config_ids.h"
#include "core/config/config_store.h"
#include "core/log.h"
#include "core/paths.h"
#include "jvmsearch/java_runtime.h"
#include "jvmsearch/launcher_architecture.h"
#include "jvmsearch/non_working.h"

namespace {

constexpr const char* kVersionCacheRoot = "SOFTWARE\\quindle\\vorbix\\jvms2\\";
constexpr const char* kJavaOptionVariables[] = {"_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS", "JDK_JAVA_OPTIONS"};

struct RegistryKey {
    HKEY key = nullptr;
    ~RegistryKey() {
        if (key) RegCloseKey(key);
    }
};

struct Handle {
    HANDLE handle = nullptr;
    ~Handle() { close(); }
    void close() {
        if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        handle = nullptr;
    }
};

// Removes the three option variables for the child and puts the saved values
// back when it goes out of scope, on every path.
class OptionVariablesRemoved {
public:
    OptionVariablesRemoved() {
        for (size_t i = 0; i < 3; ++i) {
            const char* name = kJavaOptionVariables[i];
            DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
            if (size == 0) continue;  // not set
            std::vector<char> value(size + 1);
            DWORD got = GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
            if (got < value.size() && (got > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND)) {
                saved_[i] = value.data();
                hasSaved_[i] = true;
                logMessage(L"%S is %S", name, value.data());
            } else {
                logMessage(L"error reading %S", name);
            }
            SetEnvironmentVariableA(name, nullptr);
        }
    }
    ~OptionVariablesRemoved() {
        for (size_t i = 0; i < 3; ++i)
            if (hasSaved_[i]) SetEnvironmentVariableA(kJavaOptionVariables[i], saved_[i].c_str());
    }

private:
    std::string saved_[3];
    bool hasSaved_[3] = {false, false, false};
};

ULONGLONG ticks() { return GetTickCount64(); }

// A version banner is a few hundred bytes; more than this is noise that is
// drained but not kept.
constexpr size_t kJavaVersionOutputLimit = 64 * 1024;

// Reads the child's standard error until it closes or the deadline passes.
// False when the deadline passed first. The deadline is checked on every
// round, so a child that writes without pause cannot hold the launch either.
bool readUntilClosed(HANDLE pipe, ULONGLONG deadline, std::string& text) {
    char chunk[512];
    for (;;) {
        if (ticks() >= deadline) return false;
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return true;  // writer gone
        if (available > 0) {
            DWORD got = 0;
            DWORD want = available < sizeof chunk ? available : sizeof chunk;
            if (!ReadFile(pipe, chunk, want, &got, nullptr) || got == 0) return true;
            size_t room = kJavaVersionOutputLimit - text.size();
            text.append(chunk, got < room ? got : room);
            continue;
        }
        Sleep(5);
    }
}

}  // namespace

std::string versionCacheKey(const std::string& javaExe) {
    std::string key = kVersionCacheRoot;
    for (char c : javaExe) key += c == '\\' ? '/' : c;
    return key;
}

// Every value must also have the type this launcher writes: the cache lives
// in the user's hive, and a value of another type (a number where the text
// belongs, text where the machine number belongs) is garbage to re-run, not
// data to reinterpret.
bool readVersionCache(const std::string& javaExe, uint64_t lastWriteTime, std::string& version, uint32_t& machine) {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, versionCacheKey(javaExe).c_str(), 0, KEY_READ, &key.key) != ERROR_SUCCESS)
        return false;
    version.clear();
    bool ok = false;
    unsigned char stamp[8];
    DWORD size = sizeof stamp;
    DWORD type = 0;
    if (RegQueryValueExA(key.key, "LastWriteTime", nullptr, &type, stamp, &size) == ERROR_SUCCESS &&
        type == REG_BINARY && size == sizeof stamp && memcmp(stamp, &lastWriteTime, sizeof stamp) == 0) {
        std::vector<char> text(kPathBufferSize + 1, '\0');
        size = static_cast<DWORD>(kPathBufferSize);
        if (RegQueryValueExA(key.key, "Version", nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) ==
            ERROR_SUCCESS) {
            text[size < kPathBufferSize ? size : kPathBufferSize] = '\0';
            version = text.data();
            bool versionIsText = type == REG_SZ;
            DWORD value = 0;
            size = sizeof value;
            if (RegQueryValueExA(key.key, "Machine", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                    ERROR_SUCCESS &&
                type == REG_DWORD && size == sizeof value && versionIsText) {
                machine = value;
                ok = version != "1.7." && version != "1.6." && version != "1.5.";
            }
        }
    }
    return ok;
}

void writeVersionCache(const std::string& javaExe, uint64_t lastWriteTime, const std::string& version,
                       uint32_t machine) {
    RegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, versionCacheKey(javaExe).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key.key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key.key, "LastWriteTime", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&lastWriteTime), 8);
    RegSetValueExA(key.key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.data()),
                   static_cast<DWORD>(version.size()));
    DWORD value = machine;
    RegSetValueExA(key.key, "Machine", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

bool runJavaVersion(const std::string& javaExe, uint64_t lastWriteTime, std::string& version) {
    std::vector<char> shortPath(5980, '\0');
    DWORD shortLength = GetShortPathNameA(javaExe.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    std::string program;
    if (shortLength == 0 || shortLength >= shortPath.size()) {
        logMessage(L"Could not get short path name for %S", javaExe.c_str());
        program = javaExe;
    } else {
        program.assign(shortPath.data(), shortLength);
    }
    std::string commandLine = "\"" + program + "\" -version";

    OptionVariablesRemoved removed;

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    Handle readEnd, writeEnd;
    if (!CreatePipe(&readEnd.handle, &writeEnd.handle, &inherit, 0)) {
        logMessage(L"CreatePipe error (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    if (!SetHandleInformation(readEnd.handle, HANDLE_FLAG_INHERIT, 0)) {
        logMessage(L"SetHandleInformation error (%d)", static_cast<int>(GetLastError()));
        return false;
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = writeEnd.handle;
    PROCESS_INFORMATION process = {};
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    BOOL started = CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                                  nullptr, nullptr, &startup, &process);
    DWORD createError = GetLastError();
    writeEnd.close();
    if (!started) {
        logMessage(L"Could not create process %S (error %d)", commandLine.c_str(), static_cast<int>(createError));
        return false;
    }
    Handle processHandle{process.hProcess}, threadHandle{process.hThread};

    // A child that keeps its standard error open must not hold the launch:
    // reading and waiting share one bound.
    ULONGLONG deadline = ticks() + kJavaVersionTimeoutMs;
    std::string text;
    readUntilClosed(readEnd.handle, deadline, text);
    ULONGLONG now = ticks();
    WaitForSingleObject(processHandle.handle, now < deadline ? static_cast<DWORD>(deadline - now) : 0);

    DWORD exitCode = 0;
    GetExitCodeProcess(processHandle.handle, &exitCode);
    logMessage(L"Exit Code %d", static_cast<int>(exitCode));
    if (exitCode == STILL_ACTIVE) {
        logMessage(L"Terminating process");
        TerminateProcess(processHandle.handle, 1);
    } else if (exitCode != 0) {
        writeVersionCache(javaExe, lastWriteTime, "1.0.0", readPeMachine(javaExe));
    }
    if (exitCode != 0) return false;
    return extractJavaVersion(text, version);
}

bool javaExeFromHome(std::string& javaExe, const std::string& home) {
    javaExe = home + jre::kEmbeddedJreJavaExe;
    if (getInt(cfg::kRequireJdk) != 0) return pathExists(home + jre::kToolsJar);
    if (!pathExists(javaExe)) javaExe = home + jre::kBinJavaExe;
    return true;
}

bool checkJavaExe(std::string& javaExe, std::string& version, const VersionVector& min, const VersionVector& max,
                  bool allowBeta, bool useCache, bool writeCache) {
    logMessage(L"checkJavaExe (%S, [out], %d, %d, %d)", javaExe.c_str(), static_cast<int>(min.size()),
               static_cast<int>(max.size()), allowBeta ? 1 : 0);
    std::string canonical;
    canonicalPath(canonical, javaExe, false);
    javaExe = canonical;
    bool verdict = false;
    uint64_t lastWriteTime = 0;
    if (!findFileInfo(javaExe, &lastWriteTime)) {
        logMessage(L"file doesn't exist");
    } else {
        logMessage(L"file exists");
        version.clear();
        bool architectureOk = false;
        bool haveVersion = false;
        uint32_t machine = 0;
        if (useCache && readVersionCache(javaExe, lastWriteTime, version, machine) && version != "1.0.0") {
            logMessage(L"got version from registry %S %d", version.c_str(), static_cast<int>(machine));
            architectureOk = machine == kLauncherMachine;
            haveVersion = true;
        } else if (runJavaVersion(javaExe, lastWriteTime, version)) {
            machine = readPeMachine(javaExe);
            logMessage(L"got version from execution %S %d", version.c_str(), static_cast<int>(machine));
            if (writeCache && machine != 0) writeVersionCache(javaExe, lastWriteTime, version, machine);
            architectureOk = machine == kLauncherMachine || machine == 0;
            haveVersion = true;
        } else {
            logMessage(L"couldn't get version");
        }
        if (haveVersion && architectureOk && isVersionAcceptable(version, min, max, allowBeta)) {
            verdict = true;
            if (getInt(cfg::kExecutableType) == 1 && javaExe.size() > 4) {
                javaExe.resize(javaExe.size() - 4);
                javaExe += "w.exe";
                verdict = pathExists(javaExe);
            }
        }
    }
    if (isNonWorkingJava(javaExe)) return false;
    logMessage(L"checkJavaExe returning %d", verdict ? 1 : 0);
    return verdict;
}
