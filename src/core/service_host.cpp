#include "core/service_host.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "core/service_text.h"

namespace {

constexpr DWORD kWaitHint = 50000;
constexpr DWORD kNormalPriority = NORMAL_PRIORITY_CLASS;
constexpr DWORD kWorkerStartFailed = 5000;
constexpr DWORD kOutputBlock = 6000;
constexpr size_t kMaxServiceNameLength = 6000;

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

BOOL reportStatus() { return SetServiceStatus(statusHandle, &status); }

void reportStartFailure() {
    status.dwCurrentState = SERVICE_STOPPED;
    status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
    status.dwServiceSpecificExitCode = kWorkerStartFailed;
    reportStatus();
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
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_WIN32_SHARE_PROCESS;
    status.dwCurrentState = SERVICE_RUNNING;
    status.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
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

    statusHandle = RegisterServiceCtrlHandlerW(serviceName().c_str(), controlHandler);
    if (!statusHandle) return;
    reportStatus();

    std::wstring commandLine =
        buildWorkerCommandLine(splitCommandLine(GetCommandLineW()), serviceName(), startArguments);

    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE outputRead = nullptr, outputWrite = nullptr, inputRead = nullptr, inputWrite = nullptr;
    // A service that cannot supervise a worker must not stay reported as
    // running: it reports the same failure as a worker that cannot start.
    if (!CreatePipe(&outputRead, &outputWrite, &inheritable, 0)) {
        logMessage(L"CreatePipe error (%d)", static_cast<int>(GetLastError()));
        return reportStartFailure();
    }
    if (!SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0)) {
        logMessage(L"SetHandleInformation error (%d)", static_cast<int>(GetLastError()));
        return reportStartFailure();
    }
    if (!CreatePipe(&inputRead, &inputWrite, &inheritable, 0)) {
        logMessage(L"CreatePipe error 2 (%d)", static_cast<int>(GetLastError()));
        return reportStartFailure();
    }
    if (!SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0)) {
        logMessage(L"SetHandleInformation error 2 (%d)", static_cast<int>(GetLastError()));
        return reportStartFailure();
    }
    workerInput.store(inputWrite);

    DWORD priority = workerPriority();

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
        logMessage(L"could not start process %s (%d)", commandLine.c_str(), static_cast<int>(GetLastError()));
        return reportStartFailure();
    }
    if (priority) SetPriorityClass(worker.hProcess, priority);
    ResumeThread(worker.hThread);

    CloseHandle(outputWrite);
    CloseHandle(inputRead);
    HANDLE consumer = CreateThread(nullptr, 0, consumeOutput, outputRead, 0, nullptr);
    if (consumer) CloseHandle(consumer);
    status.dwCurrentState = SERVICE_RUNNING;
    reportStatus();
    logMessage(L"registering ConsoleCtrlHandler");
    SetConsoleCtrlHandler(consoleCtrlHandler, TRUE);

    WaitForSingleObject(worker.hProcess, INFINITE);

    DWORD exitCode = 0;
    if (!GetExitCodeProcess(worker.hProcess, &exitCode)) exitCode = 0;
    logMessage(L"process terminated with exit code %d", static_cast<int>(exitCode));
    if (exitCode == 0 || status.dwCurrentState == SERVICE_STOP_PENDING) {
        status.dwCurrentState = SERVICE_STOPPED;
        if (!reportStatus()) logMessage(L"SetServiceStatus 10 failed %d", static_cast<int>(GetLastError()));
        logMessage(L"service stopped set");
    }
    CloseHandle(worker.hProcess);
    CloseHandle(worker.hThread);
    logMessage(L"exiting");
    std::fflush(nullptr);
    std::exit(0);
}

void WINAPI controlHandler(DWORD control) {
    logMessage(L"control handler request %d", static_cast<int>(control));
    switch (control) {
    case SERVICE_CONTROL_STOP:
        status.dwCurrentState = SERVICE_STOP_PENDING;
        if (!reportStatus()) logMessage(L"SetServiceStatus 2 failed %d", static_cast<int>(GetLastError()));
        sendShutdown(0);
        break;
    case SERVICE_CONTROL_SHUTDOWN:
        status.dwCheckPoint++;
        status.dwCurrentState = SERVICE_STOP_PENDING;
        if (!reportStatus()) logMessage(L"SetServiceStatus 1 failed %d", static_cast<int>(GetLastError()));
        sendShutdown(0);
        break;
    default:
        if (!reportStatus()) logMessage(L"SetServiceStatus 3 failed %d", static_cast<int>(GetLastError()));
        break;
    }
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
    }
    logMessage(L"consuming output done");
    return 0;
}

BOOL WINAPI consoleCtrlHandler(DWORD) {
    logMessage(L"ConsoleCtrlHandler event");
    return TRUE;
}
