// The instance semaphore that names this running instance of this executable,
// and single-instance mode: a second start finds the first one, optionally
// brings its windows to the front and ends.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// Creates the instance semaphore (numbered, or bare in single-instance mode);
// ends the process with code 0 when another instance owns single-instance mode.
void checkSingleInstance();

// The semaphore's name; none until checkSingleInstance has run.
std::optional<std::string> getInstanceSemaphoreName();

// The process id registered for this executable under the current user, or 0.
DWORD lookupOtherInstancePid();
// Registers the current process id for this executable; failures are silent.
void registerInstancePid();

// Brings every visible top-level window of the process to the foreground,
// restoring minimised ones when asked.
void activateProcessWindows(DWORD processId, bool restore);

// The current user's per-user registry key holding the registered ids.
constexpr const char* kInstancePidKey = "SOFTWARE\\quindle\\vorbix\\pids\\";
