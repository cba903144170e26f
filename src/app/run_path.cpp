#include "app/run_path.h"

#include <windows.h>

#include <optional>

#include "core/config/config_ids.h"
#include "core/event_log.h"
#include "core/log.h"
#include "core/stale_temp_dirs.h"
#include "core/phase_times.h"
#include "core/temp_dirs.h"
#include "jvmsearch/jvm_search.h"
#include "launch/java_vm_launcher.h"
#include "launch/launcher_variables.h"
#include "launch/vm_arguments.h"
#include "service/service_host.h"
#include "support/file_extraction.h"
#include "support/native_library_path.h"
#include "support/single_instance.h"

void runInProcess(const std::vector<std::wstring>& arguments, bool registerConsoleHandler) {
    markPhase("run path");
    if (extractIncludedFiles(true) != 0) fatalError(cfg::kMsgCannotPrepareFiles, "16");
    markPhase("files extracted");
    prepareNativeLibraryPath(expandVariables);
    markPhase("library path");
    if (registerConsoleHandler) {
        logMessage(L"registering ConsoleCtrlHandler");
        SetConsoleCtrlHandler(consoleCtrlHandler, TRUE);
    }
    checkSingleInstance();
    markPhase("single instance");
    std::optional<std::string> jvm = findJvmOverride(arguments);
    bool loaded = LoadDLL(jvm ? jvm->c_str() : nullptr, expandVariables);
    markPhase("vm library loaded");
    // A run that extracted files removes those of launchers that ended, once
    // its main runs: off the way to main.
    if (loaded && launchJava(arguments, launcherTempDirectory().empty() ? nullptr : removeStaleLauncherTempDirsQuietly))
        return;
    // Failures that showed a message reported it already; the rest (the VM
    // refused to be created, for one) only went to the diagnostic log.
    if (!serviceErrorReported())
        reportServiceEvent(ServiceEventKind::Error,
                           L"The Java application could not be run; the launcher's diagnostic log (VORBIX_LOG=yes) "
                           L"tells why.");
    exitLauncher(1);
}
