// Process-wide launcher state set by the entry point and start-up, read by
// the run path.
#pragma once

#include <string>

// The service addressed by every service operation (entry 101, an argument
// after the verb, or the name the service control manager passes).
std::wstring& serviceName();

// True from the start; "/run" and "/run-redirect" clear it.
extern bool serviceMode;
// "/run" sets it.
extern bool noRedirect;
// First character of entry 2001: 'e' launcher, else installer.
extern char launcherFlavour;

// The exact last argument that makes a process the service's worker.
constexpr const wchar_t* kRestartMarker = L"__tsy_restart";
