#include "core/startup.h"

#include <windows.h>

#include <cstdlib>

#include "core/config/config_file.h"
#include "core/config/config_store.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "support/temp_dirs.h"

namespace {

// Removes a variable from the process environment and from the runtime
// library's copy, which child processes and getenv see.
void removeVariable(const char* name) {
    SetEnvironmentVariableA(name, nullptr);
    std::string assignment = std::string(name) + "=";
    _putenv(assignment.c_str());
}

}  // namespace

void prepareStartup() {
    // TODO(run path): empty the launcher temp directory path here once the
    // temp directory code provides setLauncherTempDirectory.
    loadLocalizedEntries();

    char flavour[2];
    copyString(cfg::kLauncherFlavour, flavour, sizeof flavour);
    launcherFlavour = flavour[0];

    // TODO(native library path): reduce the executable search path here once
    // that code exists.

    if (getInt(cfg::kClearJavaOptionVariables) != 0) {
        logMessage(L"ignoring java options environment variables");
        removeVariable("_JAVA_OPTIONS");
        removeVariable("JDK_JAVA_OPTIONS");
        removeVariable("JAVA_TOOL_OPTIONS");
    }

    std::wstring directory;
    getWideString(cfg::kWorkingDirectory, directory);
    if (!directory.empty()) {
        // TODO(paths, variables): expand launcher variables and make the
        // directory canonical against the executable's directory once those
        // helpers exist; until then the configured directory is not applied.
        logMessage(L"working directory %s not applied", directory.c_str());
    } else {
        logMessage(L"working directory unchanged");
    }
}

void runInProcess(const std::vector<std::wstring>&, bool registerConsoleHandler) {
    (void)registerConsoleHandler;
    // The run path (extraction, JVM search and launch) is not part of this
    // build yet: a run ends as a failed launch.
    exitLauncher(1);
}
