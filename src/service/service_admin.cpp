#include "service/service_admin.h"

#include <cstdio>
#include <optional>

#include "core/config/config_store.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "service/logon_right_record.h"
#include "core/paths.h"
#include "service/service_account.h"
#include "service/service_config_calls.h"
#include "service/service_registry.h"
#include "service/service_restore.h"
#include "service/service_settings.h"
#include "service/service_setup.h"
#include "service/service_snapshot.h"
#include "service/service_text.h"
#include "support/system_error.h"

namespace {

constexpr DWORD kConfigBufferBytes = 6000;

// Closes a service control manager handle on every path. An open handle
// keeps a service that was marked for deletion alive, so a handle left open
// by the quiet stop would make the reinstall after it fail.
struct ScHandle {
    SC_HANDLE handle;
    ScHandle() : handle(nullptr) {}
    explicit ScHandle(SC_HANDLE h) : handle(h) {}
    ~ScHandle() {
        if (handle) CloseServiceHandle(handle);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    operator SC_HANDLE() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }
    void close() {
        if (handle) CloseServiceHandle(handle);
        handle = nullptr;
    }
    void reset(SC_HANDLE h) {
        close();
        handle = h;
    }
};

void setDescription(SC_HANDLE service) {
    std::wstring description(kTextBufferSize, L'\0');
    copyLocalizedString(cfg::kServiceDescription, &description[0]);
    if (description[0] == L'\0') return;
    // Older systems lack the call; the description is then left out.
    SERVICE_DESCRIPTIONW info;
    info.lpDescription = &description[0];
    changeServiceConfig2(service, SERVICE_CONFIG_DESCRIPTION, &info);
}

// Whether an automatic start waits until the system has started the others;
// false also when the system cannot say.
bool startsDelayed(SC_HANDLE service) {
    ServiceConfigBuffer buffer;
    return queryServiceConfig2(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, buffer) &&
           reinterpret_cast<const SERVICE_DELAYED_AUTO_START_INFO*>(buffer.data())->fDelayedAutostart;
}

void printInstallFailure(const std::wstring& what, DWORD error) {
    std::printf("Could not install service '%S': %S failed (error %d): %s\n", serviceName().c_str(), what.c_str(),
                static_cast<int>(error), consoleBytes(systemErrorText(error)).c_str());
}

int stopOnce(bool verbose, bool* wasActive);

// The installed service of the name, read and then removed. False (after
// saying why) when it exists but cannot be read, so that it is not removed
// without a way back; previous stays empty when there is none to remove.
bool removePrevious(std::optional<ServiceRecord>& previous) {
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return true;
    ScHandle service(OpenServiceW(manager, serviceName().c_str(), DELETE | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
    if (!service) return true;
    ServiceRecord record;
    DWORD error = 0;
    if (!readServiceRecord(service, serviceName(), record, error)) {
        printInstallFailure(L"reading the installed service", error);
        return false;
    }
    // One that cannot be deleted stays as it is; creating the new one then fails.
    if (DeleteService(service)) previous = record;
    return true;
}

void printRestoreFailure(const SetupFailure& failure) {
    std::printf("Could not restore %S of the previous service '%S' (error %d): %s\n", failure.what.c_str(),
                serviceName().c_str(), static_cast<int>(failure.error),
                consoleBytes(systemErrorText(failure.error)).c_str());
}

// After a failed install: the service that was there before comes back as it
// was, and running again if it ran and can start without a password.
void restorePrevious(SC_HANDLE manager, const ServiceRecord& previous, bool wasRunning) {
    std::vector<SetupFailure> failures;
    if (!manager) {
        std::printf("Could not restore the previous service '%S': the service control manager cannot be opened.\n",
                    serviceName().c_str());
        return;
    }
    if (!recreateService(manager, previous, failures)) {
        const SetupFailure& failure = failures.front();
        std::printf("Could not restore the previous service '%S': %S failed (error %d): %s\n", serviceName().c_str(),
                    failure.what.c_str(), static_cast<int>(failure.error),
                    consoleBytes(systemErrorText(failure.error)).c_str());
        return;
    }
    for (const SetupFailure& failure : failures) printRestoreFailure(failure);
    bool needsPassword = accountNeedsPassword(previous.account);
    if (needsPassword) {
        std::printf("Restored the previous service '%S' without the password of its account '%S': set the password "
                    "in the service's properties before it starts.\n",
                    serviceName().c_str(), previous.account.c_str());
    } else {
        std::printf("Restored the previous service '%S'.\n", serviceName().c_str());
    }
    std::fflush(stdout);
    if (wasRunning && !needsPassword) startService({});
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

    bool wasRunning = false;
    stopOnce(false, &wasRunning);
    std::optional<ServiceRecord> previous;
    if (!removePrevious(previous)) {
        // Left as it was, which includes running.
        if (wasRunning) startService({});
        return 1;
    }

    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    // Every failure from here on puts the removed service back.
    auto failed = [&]() {
        if (previous) restorePrevious(manager, *previous, wasRunning);
        return 1;
    };
    if (!manager) {
        std::printf("Could not open SCManager.\n");
        return failed();
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
        return failed();
    }
    setDescription(service);

    // All or nothing: a setting the system refuses takes the service away again.
    LogonRight right;
    SetupFailure failure = applyServiceSettings(service, settings, account, startType, right);
    // The record of the right goes with the service: granted now, or by the
    // install this one replaces for the same account.
    std::wstring granted = right.granted ? right.sid : std::wstring();
    if (!right.sid.empty() && previous && previous->grantedLogonRight == right.sid) granted = right.sid;
    if (failure.what.empty() && !granted.empty()) {
        DWORD error = setServiceStringValue(name, kGrantedLogonRightValue, granted);
        if (error != ERROR_SUCCESS) failure = {L"recording the granted logon right", error};
    }
    if (!failure.what.empty()) {
        printInstallFailure(failure.what, failure.error);
        if (!DeleteService(service)) {
            DWORD error = GetLastError();
            std::printf("Could not remove the half-installed service '%S' (error %d): %s\n", name.c_str(),
                        static_cast<int>(error), consoleBytes(systemErrorText(error)).c_str());
        }
        service.close();
        // A right given by this attempt goes again, unless the service put
        // back runs under the same account.
        bool previousAccount = previous && accountNeedsPassword(previous->account) &&
                               accountSid(previous->account) == right.sid;
        if (right.granted && !previousAccount) releaseLogonRight(manager, name, right.sid);
        return failed();
    }

    std::printf("Installed service '%S'.\n", name.c_str());
    // The replaced service's account no longer runs it.
    if (previous && !previous->grantedLogonRight.empty() && previous->grantedLogonRight != granted)
        releaseLogonRight(manager, name, previous->grantedLogonRight);
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
    // Read before the key goes with the service.
    std::wstring granted = service ? serviceStringValue(serviceName(), kGrantedLogonRightValue).value_or(L"") : L"";
    if (!service || !DeleteService(service)) {
        if (verbose) std::printf("Could not delete service.\n");
        return 1;
    }
    if (verbose) std::printf("Uninstalled service '%S'.\n", serviceName().c_str());
    if (!granted.empty()) releaseLogonRight(manager, serviceName(), granted);
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

namespace {

// wasActive: the service took the stop request.
int stopOnce(bool verbose, bool* wasActive) {
    *wasActive = false;
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
    *wasActive = true;
    std::printf("Stopping service '%S'.\n", serviceName().c_str());
    std::fflush(stdout);
    if (waitForStop(service)) {
        std::printf("Service stopped\n");
    } else {
        std::printf("Error while stopping service\n");
    }
    return 0;
}

}  // namespace

int stopService(bool verbose) {
    bool wasActive = false;
    return stopOnce(verbose, &wasActive);
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

// Opens the manager and the service for /status and /info and reads its
// status; says what failed on the console.
static bool openForQuery(ScHandle& manager, ScHandle& service, SERVICE_STATUS& status) {
    manager.reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        std::printf("Could not open SCManager.\n");
        return false;
    }
    service.reset(OpenServiceW(manager, serviceName().c_str(), SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
    if (!service || !QueryServiceStatus(service, &status)) {
        std::printf("Could not get status.\n");
        return false;
    }
    return true;
}

int queryServiceState() {
    ScHandle manager, service;
    SERVICE_STATUS status;
    if (!openForQuery(manager, service, status)) return 1;
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

int printServiceInfo() {
    ScHandle manager, service;
    SERVICE_STATUS status;
    if (!openForQuery(manager, service, status)) return 1;
    ServiceRecord record;
    DWORD error = 0;
    if (!readServiceRecord(service, serviceName(), record, error)) {
        std::printf("Could not get config (%d, 0).\n", static_cast<int>(error));
        return 1;
    }
    for (const std::wstring& line : serviceInfoLines(record)) std::printf("%s\n", consoleBytes(line).c_str());
    return record.state == SERVICE_RUNNING ? 0 : 3;
}
