#include "service/service_admin.h"

#include <cstdio>

#include "core/config/config_store.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "core/paths.h"
#include "service/service_account.h"
#include "service/service_settings.h"
#include "service/service_setup.h"
#include "service/service_text.h"
#include "support/system_error.h"

namespace {

constexpr DWORD kConfigBufferBytes = 6000;

// Closes a service control manager handle on every path. An open handle
// keeps a service that was marked for deletion alive, so a handle left open
// by the quiet stop would make the reinstall after it fail.
struct ScHandle {
    SC_HANDLE handle;
    explicit ScHandle(SC_HANDLE h) : handle(h) {}
    ~ScHandle() {
        if (handle) CloseServiceHandle(handle);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    operator SC_HANDLE() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }
};

using ChangeServiceConfig2WFn = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPVOID);
using QueryServiceConfig2WFn = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPBYTE, DWORD, LPDWORD);

FARPROC advapiFunction(const char* name) {
    HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
    if (!advapi) advapi = LoadLibraryW(L"advapi32.dll");
    return advapi ? GetProcAddress(advapi, name) : nullptr;
}

void setDescription(SC_HANDLE service) {
    std::wstring description(kTextBufferSize, L'\0');
    copyLocalizedString(cfg::kServiceDescription, &description[0]);
    if (description[0] == L'\0') return;
    // Older systems lack the call; the description is then left out.
    auto change =
        reinterpret_cast<ChangeServiceConfig2WFn>(reinterpret_cast<void*>(advapiFunction("ChangeServiceConfig2W")));
    if (!change) return;
    SERVICE_DESCRIPTIONW info;
    info.lpDescription = &description[0];
    change(service, SERVICE_CONFIG_DESCRIPTION, &info);
}

// Whether an automatic start waits until the system has started the others;
// false also when the system cannot say.
bool startsDelayed(SC_HANDLE service) {
    auto query =
        reinterpret_cast<QueryServiceConfig2WFn>(reinterpret_cast<void*>(advapiFunction("QueryServiceConfig2W")));
    if (!query) return false;
    SERVICE_DELAYED_AUTO_START_INFO info = {};
    DWORD needed = 0;
    return query(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, reinterpret_cast<BYTE*>(&info), sizeof info,
                 &needed) &&
           info.fDelayedAutostart;
}

void printInstallFailure(const std::wstring& what, DWORD error) {
    std::printf("Could not install service '%S': %S failed (error %d): %s\n", serviceName().c_str(), what.c_str(),
                static_cast<int>(error), consoleBytes(systemErrorText(error)).c_str());
}

}  // namespace

int installService(DWORD startType) {
    // Everything that can fail without touching the system comes first, so
    // that such a failure leaves an installed service of the name as it was.
    ServiceSettings settings;
    std::string problem = readServiceSettings(configStore().base, settings);
    if (!problem.empty()) {
        std::printf("Could not install service '%S': %s.\n", serviceName().c_str(), problem.c_str());
        return 1;
    }
    std::wstring accountText;
    getWideString(cfg::kServiceAccount, accountText);
    std::wstring account = serviceAccountName(settings.account, accountText, serviceName());
    ServicePassword password;
    if (settings.account == AccountKind::User && !obtainPassword(account, password)) {
        std::printf("Could not install service '%S': the account '%S' needs a password: set %S, or run the command "
                    "in a console to type it.\n",
                    serviceName().c_str(), account.c_str(), kPasswordVariable);
        return 1;
    }

    uninstallService(false);

    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        std::printf("Could not open SCManager.\n");
        return 1;
    }

    std::wstring binaryPath = L"\"" + getExecutablePathWide() + L"\"";

    std::wstring entry(kTextBufferSize, L'\0');
    copyWideString(cfg::kServiceDependencies, &entry[0], kTextBufferSize);
    entry.resize(wcslen(entry.c_str()));
    std::wstring dependencies = buildDependencyList(entry);

    const std::wstring& name = serviceName();
    // Without an account entry: no name and no password, the local system.
    if (!account.empty()) logMessage(L"service account %s", account.c_str());
    ScHandle service(CreateServiceW(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                                       binaryPath.c_str(), nullptr, nullptr,
                                       dependencies.empty() ? nullptr : dependencies.c_str(),
                                       account.empty() ? nullptr : account.c_str(),
                                       password.given() ? password.text() : nullptr));
    if (!service) {
        std::printf("Could not create service.\n");
        return 1;
    }
    setDescription(service);

    // All or nothing: a setting the system refuses takes the service away again.
    SetupFailure failure = applyServiceSettings(service, settings, account, startType);
    if (!failure.what.empty()) {
        printInstallFailure(failure.what, failure.error);
        if (!DeleteService(service)) {
            DWORD error = GetLastError();
            std::printf("Could not remove the half-installed service '%S' (error %d): %s\n", name.c_str(),
                        static_cast<int>(error), consoleBytes(systemErrorText(error)).c_str());
        }
        return 1;
    }

    std::printf("Installed service '%S'.\n", name.c_str());
    return 0;
}

int uninstallService(bool verbose) {
    stopService(false);

    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        if (verbose) std::printf("Could not open SCManager.\n");
        return 1;
    }
    ScHandle service(OpenServiceW(manager, serviceName().c_str(), DELETE));
    if (!service || !DeleteService(service)) {
        if (verbose) std::printf("Could not delete service.\n");
        return 1;
    }
    if (verbose) std::printf("Uninstalled service '%S'.\n", serviceName().c_str());
    return 0;
}

int startService(const std::vector<std::wstring>& arguments) {
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        std::printf("Could not open SCManager.\n");
        return 1;
    }
    ScHandle service(OpenServiceW(manager, serviceName().c_str(), SERVICE_START));
    if (!service) {
        std::printf("Could not start service. Error code: %d\n", static_cast<int>(GetLastError()));
        return 1;
    }

    std::vector<const wchar_t*> startArguments;
    for (size_t i = 1; i < arguments.size(); ++i) startArguments.push_back(arguments[i].c_str());

    BOOL started = StartServiceW(service, static_cast<DWORD>(startArguments.size()),
                                 startArguments.empty() ? nullptr : startArguments.data());
    if (!started) {
        DWORD error = GetLastError();
        if (error == ERROR_SERVICE_ALREADY_RUNNING) {
            std::printf("Service is already running.\n");
            return 0;
        }
        std::printf("Could not start service. Error code: %d\n", static_cast<int>(error));
        return 1;
    }
    std::printf("Starting service '%S'.\n", serviceName().c_str());
    return 0;
}

int stopService(bool verbose) {
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        if (verbose) std::printf("Could not open SCManager.\n");
        return 1;
    }
    ScHandle service(OpenServiceW(manager, serviceName().c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS));
    if (!service) {
        if (verbose) std::printf("Could not stop service.\n");
        return 1;
    }
    SERVICE_STATUS status;
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        if (GetLastError() == ERROR_SERVICE_NOT_ACTIVE) {
            std::printf("Service is already stopped.\n");
            return 0;
        }
        if (verbose) std::printf("Could not stop service.\n");
        return 1;
    }
    std::printf("Stopping service '%S'.\n", serviceName().c_str());
    std::fflush(stdout);
    if (waitForStop(service)) {
        std::printf("Service stopped\n");
    } else {
        std::printf("Error while stopping service\n");
    }
    return 0;
}

bool waitForStop(SC_HANDLE service) {
    SERVICE_STATUS status;
    if (!QueryServiceStatus(service, &status)) return false;
    DWORD since = GetTickCount();
    DWORD checkPoint = status.dwCheckPoint;
    while (status.dwCurrentState == SERVICE_STOP_PENDING) {
        Sleep(500);
        if (!QueryServiceStatus(service, &status)) return false;
        if (status.dwCheckPoint > checkPoint) {
            checkPoint = status.dwCheckPoint;
            since = GetTickCount();
        } else if (GetTickCount() - since > status.dwWaitHint) {
            break;
        }
    }
    return status.dwCurrentState == SERVICE_STOPPED;
}

int queryServiceState() {
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        std::printf("Could not open SCManager.\n");
        return 1;
    }
    ScHandle service(OpenServiceW(manager, serviceName().c_str(), SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
    SERVICE_STATUS status;
    if (!service || !QueryServiceStatus(service, &status)) {
        std::printf("Could not get status.\n");
        return 1;
    }
    bool running = status.dwCurrentState == SERVICE_RUNNING;
    std::printf(running ? "Running.\n" : "Not running.\n");

    // QUERY_SERVICE_CONFIGW needs pointer alignment.
    alignas(8) unsigned char buffer[kConfigBufferBytes];
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer);
    DWORD needed = 0;
    if (!QueryServiceConfigW(service, config, sizeof buffer, &needed)) {
        std::printf("Could not get config (%d, %d).\n", static_cast<int>(GetLastError()), static_cast<int>(needed));
        return 1;
    }
    if (config->dwStartType == SERVICE_AUTO_START) {
        std::printf("%s.\n", "Auto-start");
        if (startsDelayed(service)) std::printf("Delayed start.\n");
    }

    return running ? 0 : 3;
}
