// What the native stand-ins of the Windows-side log and error functions saw.
// fatalError and exitLauncher throw, so a test can catch the end of the
// "process" and look at its text.
#pragma once

#include <string>
#include <vector>

struct FatalErrorThrown {
    std::wstring text;
};

struct ExitLauncherThrown {
    int exitCode;
};

std::vector<std::wstring>& hostLog();    // every logMessage/logError entry, formatted
std::vector<std::wstring>& hostShown();  // every text given to showError
void resetHost();
