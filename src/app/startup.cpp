#include "app/startup.h"

#include <windows.h>

#include <cstdlib>

#include "core/config/config_file.h"
#include "core/config/config_store.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/temp_dirs.h"
#include "launch/launcher_variables.h"
#include "support/locale.h"
#include "support/native_library_path.h"

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
    setLauncherTempDirectory(std::string());
    loadLocalizedEntries(detectLocale);

    char flavour[2];
    copyString(cfg::kLauncherFlavour, flavour, sizeof flavour);
    launcherFlavour = flavour[0];

    reduceSearchPath();

    if (getInt(cfg::kClearJavaOptionVariables) != 0) {
        logMessage(L"ignoring java options environment variables");
        removeVariable("_JAVA_OPTIONS");
        removeVariable("JDK_JAVA_OPTIONS");
        removeVariable("JAVA_TOOL_OPTIONS");
    }

    std::wstring directory;
    getWideString(cfg::kWorkingDirectory, directory);
    if (!directory.empty()) {
        expandVariablesWide(directory, false);
        std::wstring canonical;
        canonicalPathWide(canonical, directory, false, true);
        // A directory that cannot be entered leaves the inherited one.
        SetCurrentDirectoryW(canonical.c_str());
        logMessage(L"change working directory to %s", canonical.c_str());
    } else {
        logMessage(L"working directory unchanged");
    }
}
