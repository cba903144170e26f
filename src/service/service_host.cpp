#include "service/service_host.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/config/config_store.h"
#include "core/event_log.h"
#include "core/format.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "core/stale_temp_dirs.h"
#include "service/service_controls.h"
#include "service/service_output.h"
#include "service/service_settings.h"
#include "service/service_text.h"
#include "service/stop_timeout.h"

namespace {

constexpr DWORD kWaitHint = 50000;
constexpr DWORD kNormalPriority = NORMAL_PRIORITY_CLASS;
constexpr DWORD kWorkerStartFailed = 5000;
constexpr DWORD kOutputBlock = 6000;
constexpr size_t kMaxServiceNameLength = 6000;
// The exit code of a worker that the host had to terminate.
constexpr UINT kTerminatedExitCode = 1;
// While a stop timeout runs longer than the wait hint, or after a
// pre-shutdown request, the check point moves on this often, so that a
// waiting "/stop" (or the system) does not give up early.
constexpr DWORD kCheckPointInterval = 10000;
// How long a terminated worker may take to go.
constexpr DWORD kTerminationWait = 10000;
// How long the output of an ended worker may take to be read to its end; a
// process the application started may hold the pipe open much longer.
constexpr DWORD kOutputDrainWait = 3000;

static_assert(kControlStop == SERVICE_CONTROL_STOP && kControlShutdown == SERVICE_CONTROL_SHUTDOWN &&
                  kControlPreshutdown == SERVICE_CONTROL_PRESHUTDOWN,
              "control codes of the service API");
static_assert(kAcceptStop == SERVICE_ACCEPT_STOP && kAcceptShutdown == SERVICE_ACCEPT_SHUTDOWN &&
                  kAcceptPreshutdown == SERVICE_ACCEPT_PRESHUTDOWN,
              "accepted-control bits of the service API");

// Every bit that selects a priority class; other creation flags in the
// registry value (debugging, consoles, suspension) would hang or break the
// worker start, so they are not passed on.
constexpr DWORD kPriorityClassBits = IDLE_PRIORITY_CLASS | BELOW_NORMAL_PRIORITY_CLASS | NORMAL_PRIORITY_CLASS |
                                     ABOVE_NORMAL_PRIORITY_CLASS | HIGH_PRIORITY_CLASS | REALTIME_PRIORITY_CLASS;

SERVICE_STATUS status;
SERVICE_STATUS_HANDLE statusHandle = nullptr;
// Taken exactly once by sendShutdown; null before the pipes exist and after
// the first stop request closed it.
std::atomic<HANDLE> workerInput{nullptr};
// Set by the first stop or shutdown request; a request that comes before the
// worker's input exists is passed on as soon as it does.
std::atomic<bool> stopRequested{false};
HANDLE stopEvent = nullptr;
// With a pre-shutdown timeout configured the service also accepts the
// pre-shutdown request; once one came, the check point moves on while the
// worker lives, so that the system waits for it up to that time.
bool preshutdownAccepted = false;
std::atomic<bool> preshutdownRequested{false};
// Holds the worker in a job that ends it when this process ends in any way:
// the handle is never closed, the system closes it with the process.
HANDLE workerJob = nullptr;

// The service main and the control handler (on another thread) both report.
// Every change of the record and its report happen under this lock, and
// after "stopped" nothing more is reported: a stop-pending report overtaking
// the final one, or "running" after a stop request, would stay shown.
CRITICAL_SECTION statusSection;
bool stoppedReported = false;

BOOL reportStatus() { return SetServiceStatus(statusHandle, &status); }

enum class CheckPoint { Keep, Next };

// Reports the state; a report of "running" once a stop is pending is
// dropped (true is returned: nothing failed).
BOOL reportState(DWORD state, CheckPoint checkPoint = CheckPoint::Keep) {
    EnterCriticalSection(&statusSection);
    BOOL reported = TRUE;
    bool stale = stoppedReported || (state == SERVICE_RUNNING && status.dwCurrentState == SERVICE_STOP_PENDING);
    if (!stale) {
        if (checkPoint == CheckPoint::Next) status.dwCheckPoint++;
        status.dwCurrentState = state;
        if (state == SERVICE_STOPPED) stoppedReported = true;
        reported = reportStatus();
    }
    DWORD error = GetLastError();
    LeaveCriticalSection(&statusSection);
    SetLastError(error);
    return reported;
}

BOOL reportCurrentState() {
    EnterCriticalSection(&statusSection);
    BOOL reported = stoppedReported ? TRUE : reportStatus();
    DWORD error = GetLastError();
    LeaveCriticalSection(&statusSection);
    SetLastError(error);
    return reported;
}

void reportStartFailure(DWORD error) {
    reportServiceEvent(ServiceEventKind::Error,
                       formatWide(L"The service could not start its worker process (error %d).",
                                  static_cast<int>(error)));
    EnterCriticalSection(&statusSection);
    status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
    status.dwServiceSpecificExitCode = kWorkerStartFailed;
    LeaveCriticalSection(&statusSection);
    reportState(SERVICE_STOPPED);
}

// Kill on close: a crashed or killed service process leaves no worker behind
// that a restart would duplicate. Breakaway: processes that the application
// starts with CREATE_BREAKAWAY_FROM_JOB may outlive it.
void putWorkerInJob(HANDLE process) {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job) {
        logError(L"CreateJobObject failed (%d)", static_cast<int>(GetLastError()));
        return;
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    // Without the limits (or on a system that refuses a nested job) the
    // worker runs as before, only not tied to this process.
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
        !AssignProcessToJobObject(job, process)) {
        logError(L"could not put the worker in a job (%d)", static_cast<int>(GetLastError()));
        CloseHandle(job);
        return;
    }
    workerJob = job;
    logMessage(L"worker in job");
}

int64_t configuredStopTimeout() {
    return stopTimeoutMilliseconds(findBase(cfg::kStopTimeout));
}

// Waits until the worker ends. After a stop request with a stop timeout
// configured, a worker still running when the time is up is terminated.
void waitForWorker(HANDLE worker) {
    HANDLE handles[] = {worker, stopEvent};
    DWORD count = stopEvent ? 2 : 1;
    if (WaitForMultipleObjects(count, handles, FALSE, INFINITE) == WAIT_OBJECT_0) return;
    int64_t timeout = configuredStopTimeout();
    if (timeout == kNoStopTimeout && !preshutdownAccepted) {
        WaitForSingleObject(worker, INFINITE);
        return;
    }
    if (timeout != kNoStopTimeout) logMessage(L"waiting at most %d s for the worker", static_cast<int>(timeout / 1000));
    DWORD started = GetTickCount();
    for (;;) {
        DWORD slice = kCheckPointInterval;
        if (timeout != kNoStopTimeout) {
            int64_t left = timeout - static_cast<int64_t>(GetTickCount() - started);
            if (left <= 0) break;
            if (left < kCheckPointInterval) slice = static_cast<DWORD>(left);
        }
        if (WaitForSingleObject(worker, slice) == WAIT_OBJECT_0) return;
        if (timeout > kWaitHint || preshutdownRequested.load()) {
            reportState(SERVICE_STOP_PENDING, CheckPoint::Next);
        }
    }
    if (WaitForSingleObject(worker, 0) == WAIT_OBJECT_0) return;
    logError(L"the worker did not end within the stop timeout; terminating it");
    reportServiceEvent(ServiceEventKind::Warning,
                       formatWide(L"The worker process did not end within %d seconds of the stop request and was "
                                  L"terminated.",
                                  static_cast<int>(timeout / 1000)));
    if (!TerminateProcess(worker, kTerminatedExitCode))
        logError(L"TerminateProcess failed (%d)", static_cast<int>(GetLastError()));
    WaitForSingleObject(worker, kTerminationWait);
}

DWORD workerPriority() {
    DWORD priority = kNormalPriority;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPriorityKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return priority;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(key, serviceName().c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        size == sizeof value) {
        logMessage(L"using priority %d", static_cast<int>(value));
        priority = value & kPriorityClassBits;
    }
    RegCloseKey(key);
    return priority;
}

}  // namespace

void WINAPI serviceMain(DWORD argumentCount, LPWSTR* arguments) {
    logMessage(L"service main");
    InitializeCriticalSection(&statusSection);
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_WIN32_SHARE_PROCESS;
    status.dwCurrentState = SERVICE_RUNNING;
    uint32_t preshutdownMs = 0;
    preshutdownAccepted = readPreshutdownTimeout(configStore().base, preshutdownMs);
    if (preshutdownAccepted) logMessage(L"accepting the pre-shutdown request (%u ms)", static_cast<unsigned>(preshutdownMs));
    status.dwControlsAccepted = acceptedControls(preshutdownAccepted);
    status.dwWin32ExitCode = 0;
    status.dwServiceSpecificExitCode = 0;
    status.dwCheckPoint = 0;
    status.dwWaitHint = kWaitHint;

    std::vector<std::wstring> startArguments;
    for (DWORD i = 0; i < argumentCount; ++i) startArguments.push_back(arguments[i] ? arguments[i] : L"");
    if (!startArguments.empty() && !startArguments[0].empty() && startArguments[0].size() < kMaxServiceNameLength) {
        serviceName() = startArguments[0];
    } else {
        serviceName() = L"unknown";
    }
    logMessage(L"service name is '%s'", serviceName().c_str());
    enableServiceEvents(serviceName());
    startServiceOutput();
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);

    // Only the extended handler is sent the pre-shutdown request.
    statusHandle = preshutdownAccepted ? RegisterServiceCtrlHandlerExW(serviceName().c_str(), controlHandlerEx, nullptr)
                                       : RegisterServiceCtrlHandlerW(serviceName().c_str(), controlHandler);
    if (!statusHandle) return;
    reportState(SERVICE_RUNNING);

    std::wstring commandLine =
        buildWorkerCommandLine(splitCommandLine(GetCommandLineW()), serviceName(), startArguments);

    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE outputRead = nullptr, outputWrite = nullptr, inputRead = nullptr, inputWrite = nullptr;
    // A service that cannot supervise a worker must not stay reported as
    // running: it reports the same failure as a worker that cannot start.
    if (!CreatePipe(&outputRead, &outputWrite, &inheritable, 0)) {
        DWORD error = GetLastError();
        logMessage(L"CreatePipe error (%d)", static_cast<int>(error));
        return reportStartFailure(error);
    }
    if (!SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0)) {
        DWORD error = GetLastError();
        logMessage(L"SetHandleInformation error (%d)", static_cast<int>(error));
        return reportStartFailure(error);
    }
    if (!CreatePipe(&inputRead, &inputWrite, &inheritable, 0)) {
        DWORD error = GetLastError();
        logMessage(L"CreatePipe error 2 (%d)", static_cast<int>(error));
        return reportStartFailure(error);
    }
    if (!SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0)) {
        DWORD error = GetLastError();
        logMessage(L"SetHandleInformation error 2 (%d)", static_cast<int>(error));
        return reportStartFailure(error);
    }

    DWORD priority = workerPriority();
    // A stop that came while the pipes were made: no worker is started.
    if (stopRequested.load()) {
        logMessage(L"stop requested before the worker started");
        reportState(SERVICE_STOPPED);
        return;
    }

    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.resize(commandLine.size() + 10, L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputRead;
    startup.hStdOutput = outputWrite;
    startup.hStdError = outputWrite;
    PROCESS_INFORMATION worker = {};
    // The priority bits go into the creation flags; the class is also set on
    // the suspended worker, for systems that ignore the flags.
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, priority | DETACHED_PROCESS | CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &worker)) {
        DWORD error = GetLastError();
        logMessage(L"could not start process %s (%d)", commandLine.c_str(), static_cast<int>(error));
        return reportStartFailure(error);
    }
    if (priority) SetPriorityClass(worker.hProcess, priority);
    putWorkerInJob(worker.hProcess);
    ResumeThread(worker.hThread);
    // The input becomes reachable for stop requests only now; one that came
    // in the meantime found no handle and is passed on here. Whichever of the
    // two sees the handle first sends the line, the other finds none.
    workerInput.store(inputWrite);
    if (stopRequested.load()) sendShutdown(0);

    CloseHandle(outputWrite);
    CloseHandle(inputRead);
    HANDLE consumer = CreateThread(nullptr, 0, consumeOutput, outputRead, 0, nullptr);
    reportState(SERVICE_RUNNING);
    logMessage(L"registering ConsoleCtrlHandler");
    SetConsoleCtrlHandler(consoleCtrlHandler, TRUE);

    waitForWorker(worker.hProcess);

    DWORD exitCode = 0;
    if (!GetExitCodeProcess(worker.hProcess, &exitCode)) exitCode = 0;
    logMessage(L"process terminated with exit code %d", static_cast<int>(exitCode));
    if (consumer) {
        WaitForSingleObject(consumer, kOutputDrainWait);
        CloseHandle(consumer);
    }
    stopServiceOutput();
    // The worker's launcher temp directory, and any other left by a launcher
    // that ended, is no longer in use.
    removeStaleLauncherTempDirs();
    if (exitCode == 0 || stopRequested.load()) {
        if (!reportState(SERVICE_STOPPED)) logMessage(L"SetServiceStatus 10 failed %d", static_cast<int>(GetLastError()));
        logMessage(L"service stopped set");
    } else {
        // Left unreported, so that the system treats it as a failure of the
        // service (and runs its recovery actions); the reason is kept here.
        std::wstring text = formatWide(L"The worker process ended with exit code %d (0x%x) without a stop request.",
                                       static_cast<int>(exitCode), static_cast<unsigned>(exitCode));
        std::wstring lines = serviceOutputTail();
        if (!lines.empty()) text += L"\nThe last lines of its output:\n" + lines;
        reportServiceEvent(ServiceEventKind::Error, text);
    }
    CloseHandle(worker.hProcess);
    CloseHandle(worker.hThread);
    logMessage(L"exiting");
    std::fflush(nullptr);
    std::exit(0);
}

void WINAPI controlHandler(DWORD control) {
    logMessage(L"control handler request %d", static_cast<int>(control));
    switch (controlAction(control, preshutdownAccepted)) {
    case ControlAction::Stop:
        stopRequested.store(true);
        if (!reportState(SERVICE_STOP_PENDING)) logMessage(L"SetServiceStatus 2 failed %d", static_cast<int>(GetLastError()));
        sendShutdown(0);
        if (stopEvent) SetEvent(stopEvent);
        break;
    case ControlAction::Shutdown:
        if (control == SERVICE_CONTROL_PRESHUTDOWN) preshutdownRequested.store(true);
        stopRequested.store(true);
        if (!reportState(SERVICE_STOP_PENDING, CheckPoint::Next)) logMessage(L"SetServiceStatus 1 failed %d", static_cast<int>(GetLastError()));
        sendShutdown(0);
        if (stopEvent) SetEvent(stopEvent);
        break;
    case ControlAction::ReportStatus:
        if (!reportCurrentState()) logMessage(L"SetServiceStatus 3 failed %d", static_cast<int>(GetLastError()));
        break;
    }
}

DWORD WINAPI controlHandlerEx(DWORD control, DWORD, LPVOID, LPVOID) {
    controlHandler(control);
    return NO_ERROR;
}

void sendShutdown(int code) {
    logMessage(L"sending shutdown1 %d", code);
    // A repeated request, or one before the worker exists, finds no handle:
    // the first request already closed it, and a stale value must be neither
    // written to nor closed again.
    HANDLE input = workerInput.exchange(nullptr);
    if (!input) {
        logMessage(L"no worker input to send the shutdown to");
        return;
    }
    char text[16];
    int length = std::snprintf(text, sizeof text, "%d\n", code);
    DWORD written = 0;
    if (!WriteFile(input, text, static_cast<DWORD>(length), &written, nullptr)) {
        logMessage(L"sending shutdown failed");
        logMessage(L"error code %d", static_cast<int>(GetLastError()));
    }
    CloseHandle(input);
    logMessage(L"shutdown sent");
}

DWORD WINAPI consumeOutput(LPVOID pipe) {
    logMessage(L"consuming output");
    std::vector<char> block(kOutputBlock);
    DWORD got = 0;
    while (ReadFile(static_cast<HANDLE>(pipe), block.data(), kOutputBlock, &got, nullptr) && got > 0) {
        keepServiceOutput(block.data(), got);
    }
    logMessage(L"consuming output done");
    return 0;
}

BOOL WINAPI consoleCtrlHandler(DWORD) {
    logMessage(L"ConsoleCtrlHandler event");
    return TRUE;
}
