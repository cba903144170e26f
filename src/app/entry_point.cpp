#include "app/entry_point.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/startup.h"
#include "core/command_line.h"
#include "core/config/config_file.h"
#include "core/config/config_store.h"
#include "core/event_log.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "core/phase_times.h"
#include "service/service_admin.h"
#include "service/service_host.h"
#include "service/service_removal.h"

namespace {

constexpr int kAutoStartExecutableType = 4;

void printUsage() {
    std::vector<wchar_t> module(6000);
    DWORD length = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
    std::wstring path(module.data(), length < module.size() ? length : 0);
    std::wprintf(L"Usage: %ls.exe /install | /uninstall | /stop | /start | /status | /run | /run-redirect\n",
                 programStem(path).c_str());
}

DWORD configuredStartType() {
    return getInt(cfg::kExecutableType) == kAutoStartExecutableType ? SERVICE_AUTO_START : SERVICE_DEMAND_START;
}

int runDispatcher() {
    std::vector<wchar_t> name(serviceName().begin(), serviceName().end());
    name.resize(serviceName().size() + 10, L'\0');
    SERVICE_TABLE_ENTRYW table[] = {{name.data(), serviceMain}, {nullptr, nullptr}};
    logMessage(L"calling StartServiceCtrlDispatcher");
    if (!StartServiceCtrlDispatcherW(table)) {
        logMessage(L"StartServiceCtrlDispatcher failed with error %d", static_cast<int>(GetLastError()));
    }
    logMessage(L"StartServiceCtrlDispatcher returned");
    return 0;
}

int runVerb(const std::wstring& verb, std::vector<std::wstring>& arguments, const std::wstring& program,
            bool* handled) {
    *handled = true;
    if (verb == L"?" || verb == L"help") {
        printUsage();
        return 0;
    }
    if (verb == L"install") return installService(configuredStartType());
    if (verb == L"install-and-start") {
        // Starting after a failed install would only fail again, or start
        // the service that the failed install put back.
        int installed = installService(configuredStartType());
        if (installed != 0) return installed;
        return startService(arguments);
    }
    if (verb == L"install-auto") return installService(SERVICE_AUTO_START);
    if (verb == L"install-demand") return installService(SERVICE_DEMAND_START);
    if (verb == L"uninstall") return uninstallService(true);
    if (verb == L"uninstall-if-installed") return uninstallIfInstalled();
    if (verb == L"stop") return stopService(true);
    if (verb == L"start") return startService(arguments);
    if (verb == L"restart") {
        stopService(false);
        return startService(arguments);
    }
    if (verb == L"status") return queryServiceState();
    if (verb == L"info") return printServiceInfo();
    if (verb == L"run" || verb == L"run-redirect") {
        if (verb == L"run") {
            logMessage(L"running service");
            noRedirect = true;
        } else {
            logMessage(L"running service with redirection");
        }
        serviceMode = false;
        arguments.insert(arguments.begin(), program);
        std::fflush(stdout);
        runInProcess(arguments, false);
        return 0;
    }
    *handled = false;
    return 0;
}

int dispatch() {
    loadEntries();
    markPhase("config read");
    serviceMode = true;
    prepareStartup();
    markPhase("startup prepared");
    serviceName().clear();
    getWideString(cfg::kServiceName, serviceName());

    const wchar_t* commandLine = GetCommandLineW();
    logMessage(L"command line %s", commandLine);
    std::vector<std::wstring> arguments = splitCommandLine(commandLine);
    std::wstring program;
    if (!arguments.empty()) {
        program = arguments.front();
        arguments.erase(arguments.begin());
    }

    if (!arguments.empty() && arguments.back() == kRestartMarker) {
        arguments.pop_back();
        // The service host passes the name it runs under first.
        enableServiceEvents(!arguments.empty() && !arguments[0].empty() ? arguments[0] : serviceName());
        runInProcess(arguments, true);
        return 0;
    }

    if (arguments.empty() || arguments[0].empty() || (arguments[0][0] != L'/' && arguments[0][0] != L'-')) {
        return runDispatcher();
    }

    std::wstring verb = verbOfArgument(arguments[0]);
    arguments.erase(arguments.begin());
    if (!arguments.empty()) serviceName() = arguments[0];

    bool handled = false;
    int exitCode = runVerb(verb, arguments, program, &handled);
    if (!handled) return runDispatcher();
    return exitCode;
}

}  // namespace

int launcherMain() {
    markPhase("main");
    int exitCode = dispatch();
    writePhaseTimes();
    std::fflush(stdout);
    return exitCode;
}
