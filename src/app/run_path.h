// The run path: hosts the Java application in this process.
#pragma once

#include <string>
#include <vector>

// Returns only after a successful launch, otherwise the process ends with
// exit code 1. The service's worker registers the console handler.
void runInProcess(const std::vector<std::wstring>& arguments, bool registerConsoleHandler);
