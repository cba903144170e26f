// Bringing a runtime's VM library into the process: its bin directory on the
// DLL search, the VM variant folders in order, a JDK's embedded JRE, and the
// invocation entry point.
#pragma once

#include <windows.h>

#include <string>

HMODULE loadJvmFromJavaExe(const std::string& javaExe);
HMODULE loadJvmDll(const std::string& javaExe);
HMODULE tryJvmDll(const std::string& binDirectory, const std::string& folder);
void preloadUcrtbase(const std::string& binDirectory);
bool resolveCreateJavaVM(HMODULE library);
