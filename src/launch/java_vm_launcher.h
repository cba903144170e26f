// The Win32 side of starting the VM: the launcher's system properties from
// the environment, the VM thread of the configured stack size, and the
// installer helper library. The JNI calls are in launch/java_vm_calls.h.
#pragma once

#include <string>
#include <vector>

#include "launch/java_vm_calls.h"

// True when the Java main method returned without a pending exception.
// whileMainRuns, when given, runs on this thread once main has been called
// (work that must not hold up the start), while the VM's thread runs main.
bool launchJava(const std::vector<std::wstring>& arguments, void (*whileMainRuns)() = nullptr);
