#include "launch/launcher_variables.h"

#include <windows.h>

#include "core/format.h"
#include "core/paths.h"
#include "core/temp_dirs.h"
#include "jvmsearch/selected_jvm.h"

// The narrow block's function is exported as GetEnvironmentStrings; with
// UNICODE that name is redirected to the wide one.
#ifdef GetEnvironmentStrings
#undef GetEnvironmentStrings
#endif

void expandVariables(std::string& text) {
    LauncherVariableValues<char> values;
    values.executableDirectory = getExecutableDirectory().narrow;
    collapseBackslashes(values.executableDirectory);
    values.launcherTempDirectory = launcherTempDirectory();
    values.jvmHome = selectedJvm().jreHome;
    // Fatal without a usable temp root, as intended, when a text needs it.
    values.findTempRoot = [] { return getTempRoot(); };
    char* environment = GetEnvironmentStrings();
    expandWithValues(text, values, environment);
    if (environment) FreeEnvironmentStringsA(environment);
}

void expandVariablesWide(std::wstring& text, bool ansiSafe) {
    LauncherVariableValues<wchar_t> values;
    const ExecutableDirectory& directory = getExecutableDirectory();
    values.executableDirectory = ansiSafe ? directory.wideFromNarrow : directory.wide;
    collapseBackslashes(values.executableDirectory);
    values.launcherTempDirectory = widenBytes(launcherTempDirectory());
    values.jvmHome = widenBytes(selectedJvm().jreHome);
    if (ansiSafe) {
        values.findTempRoot = [] { return widenBytes(getTempRoot()); };
    } else {
        values.findTempRoot = [] { return getTempRootWide(true); };
    }
    wchar_t* environment = GetEnvironmentStringsW();
    expandWithValues(text, values, environment);
    if (environment) FreeEnvironmentStringsW(environment);
}
