#include "support/single_instance.h"

#include <string>

#include "core/config/config_store.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/temp_dirs.h"
#include "core/window_functions.h"
#include "support/instance_name.h"

namespace {

// A second start waits this often, 100 ms apart, for the first to register.
constexpr int kPidLookupRetries = 50;
constexpr DWORD kPidLookupPause = 100;
constexpr int kMaxInstanceNumber = 100000;
constexpr DWORD kTokenUserBufferSize = 1008;

std::string semaphoreName;
// Held for the life of the process, so the name stays taken.
HANDLE semaphoreHandle = nullptr;
// The process whose windows the enumeration callback looks for.
DWORD activationPid = 0;
bool activationRestore = false;

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (handle_) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_) RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::string canonicalExecutablePath() {
    std::string path;
    canonicalPath(path, getExecutablePath(), false);
    return path;
}

// The user's SID as a string, or nothing (with the reason logged).
bool currentUserSid(std::string& sid) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        logMessage(L"could not open process token %d", static_cast<int>(GetLastError()));
        return false;
    }
    Handle tokenHandle(token);
    // DWORD-aligned: TOKEN_USER holds a pointer into the buffer.
    DWORD buffer[kTokenUserBufferSize / sizeof(DWORD)];
    DWORD length = 0;
    if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &length)) {
        logMessage(L"could not get token information %d", static_cast<int>(GetLastError()));
        return false;
    }
    // Formatted here: the system's conversion is one of the few functions
    // that would load advapi32 into every run (core/advapi_functions.h).
    PSID user = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
    std::string text = IsValidSid(user) ? sidString(static_cast<const uint8_t*>(user), GetLengthSid(user)) : "";
    if (text.empty()) {
        logMessage(L"could not get convert sid %d %d", static_cast<int>(ERROR_INVALID_SID), static_cast<int>(length));
        return false;
    }
    sid = text;
    return true;
}

HANDLE createSemaphore(const std::string& name, SECURITY_ATTRIBUTES* attributes) {
    SetLastError(ERROR_SUCCESS);
    return CreateSemaphoreA(attributes, 1, 1, name.c_str());
}

void logSemaphore(const std::string& name, DWORD error, HANDLE handle) {
    logMessage(L"semaphore name %S, code %d, value %p", name.c_str(), static_cast<int>(error), handle);
}

[[noreturn]] void yieldToOtherInstance() {
    DWORD pid = lookupOtherInstancePid();
    for (int retry = 0; pid == 0 && retry < kPidLookupRetries; ++retry) {
        Sleep(kPidLookupPause);
        pid = lookupOtherInstancePid();
    }
    logMessage(L"other pid %d", static_cast<int>(pid));
    if (pid != 0 && getInt(cfg::kActivateOtherInstance) != 0) activateProcessWindows(pid, true);
    logMessage(L"exiting");
    exitLauncher(0);
}

BOOL CALLBACK activateWindow(HWND window, LPARAM) {
    const WindowFunctions& user = windowFunctions();
    DWORD owner = 0;
    user.getWindowThreadProcessId(window, &owner);
    if (!user.isWindowVisible(window) || owner != activationPid) return TRUE;
    logMessage(L"found window %p", window);
    if (activationRestore && user.isIconic(window)) {
        logMessage(L"restore");
        user.showWindow(window, SW_RESTORE);
    }
    logMessage(L"foreground");
    user.setForegroundWindow(window);
    logMessage(L"popup");
    user.setForegroundWindow(user.getLastActivePopup(window));
    logMessage(L"done");
    return TRUE;
}

}  // namespace

void checkSingleInstance() {
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES openToAll = {sizeof(SECURITY_ATTRIBUTES), &descriptor, FALSE};

    SemaphoreScope scope = semaphoreScope(getInt(cfg::kGlobalSemaphore), getInt(cfg::kSessionSemaphore));
    std::string sid;
    if (scope == SemaphoreScope::User) {
        logMessage(L"user single instance");
        if (!currentUserSid(sid)) {
            logMessage(L"user single instance failed, fall back to session single instance");
            scope = SemaphoreScope::Session;
        }
    }
    SECURITY_ATTRIBUTES* attributes = scope == SemaphoreScope::Session ? nullptr : &openToAll;
    std::string base = semaphoreBaseName(scope, sid, executableIdentity(canonicalExecutablePath()));

    if (getInt(cfg::kSingleInstance) != 0) {
        logMessage(L"single instance mode");
        HANDLE handle = createSemaphore(base, attributes);
        DWORD error = GetLastError();
        logSemaphore(base, error, handle);
        semaphoreName = base;
        if (error == ERROR_ALREADY_EXISTS) {
            CloseHandle(handle);
            yieldToOtherInstance();
        }
        semaphoreHandle = handle;
        registerInstancePid();
        return;
    }

    for (int n = 0;; ++n) {
        std::string name = base + std::to_string(n);
        HANDLE handle = createSemaphore(name, attributes);
        DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS && n < kMaxInstanceNumber) {
            CloseHandle(handle);
            continue;
        }
        logSemaphore(name, error, handle);
        semaphoreName = name;
        semaphoreHandle = handle;
        return;
    }
}

std::optional<std::string> getInstanceSemaphoreName() {
    if (semaphoreName.empty()) return std::nullopt;
    return semaphoreName;
}

DWORD lookupOtherInstancePid() {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kInstancePidKey, 0, KEY_READ, key.out()) != ERROR_SUCCESS) return 0;
    DWORD value = 0, size = sizeof value, type = 0;
    LONG status = RegQueryValueExA(key.get(), canonicalExecutablePath().c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(&value), &size);
    return status == ERROR_SUCCESS && size == sizeof value ? value : 0;
}

void registerInstancePid() {
    RegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kInstancePidKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, key.out(), nullptr) != ERROR_SUCCESS)
        return;
    DWORD pid = GetCurrentProcessId();
    RegSetValueExA(key.get(), canonicalExecutablePath().c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&pid),
                   sizeof pid);
}

void activateProcessWindows(DWORD processId, bool restore) {
    activationPid = processId;
    activationRestore = restore;
    // Without the window functions there is nothing to activate.
    if (windowFunctions().complete()) windowFunctions().enumWindows(activateWindow, 0);
}
