// What the JNI side of the launch (launch/java_vm_calls.h) asks of the
// platform. The launcher's Win32 side (java_vm_launcher.cpp) supplies it;
// a native host of the JNI side supplies its own.
#pragma once

#include <string>

#include "core/config/config_ids.h"

// A configured path for the Java side (launcher parameters 3 and 4): launcher
// variables expanded, made canonical unless empty or starting with "$".
std::wstring launcherPath(ConfigId id);
// Launcher variables in a wide configured text (not ANSI-safe), in place.
void expandLauncherText(std::wstring& text);
// The executable's full wide path (the value of "vorbix.moduleName").
const std::wstring& launcherExecutablePath();
// Where a service keeps why main failed (the event log).
void reportMainFailure(const std::wstring& text);
// Loads the installer flavour's helper library and registers its natives;
// nothing in the other flavours.
void loadHelperLibrary();
