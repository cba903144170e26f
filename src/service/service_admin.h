// Administration of the service that runs this executable, through the
// service control manager. Each operation prints its one-line results on
// standard output and gives the process exit code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Removes an old service of the same name, then creates an own-process
// service (SERVICE_AUTO_START or SERVICE_DEMAND_START) for this executable.
// When that fails after the old service was removed, the old one is put
// back as it was (without its account's password) and the result is 1.
int installService(DWORD startType);
// Also takes back the right to log on as a service that "/install" granted,
// unless another service runs under the account.
int uninstallService(bool verbose);
// arguments: the service name first, then the start arguments.
int startService(const std::vector<std::wstring>& arguments);
int stopService(bool verbose);
// True when the service reached the stopped state.
bool waitForStop(SC_HANDLE service);
// 0 running, 3 not running, 1 unknown.
int queryServiceState();
// How the service is installed, one line per setting; exit codes as
// queryServiceState.
int printServiceInfo();
