// Start-up preparation, run once by the entry point in every process, and
// the run path that hosts the Java application in this process.
#pragma once

#include <string>
#include <vector>

// Completes the configuration (localized entries), sets the launcher
// flavour, clears the Java option variables if configured and changes the
// working directory if configured.
void prepareStartup();

// Runs the Java application in this process; returns only after a
// successful launch, otherwise the process ends with exit code 1.
void runInProcess(const std::vector<std::wstring>& arguments, bool registerConsoleHandler);
