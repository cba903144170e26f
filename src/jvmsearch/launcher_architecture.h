// What tells the 32-bit launcher from the 64-bit one. The launcher hosts the
// VM in its own process, so it can only load a VM library of its own
// architecture; everything else is one code path for both.
//
// Registry: both read the process's default view first, which is the
// launcher's own (the 64-bit view for the 64-bit launcher); the explicit
// 32-bit second attempt of the previous-installation source stays the same
// in both, and a candidate of the other architecture found anywhere falls
// out through the machine check. The per-user version cache is not
// redirected, so both launchers share it, keyed by the java.exe path.
#pragma once

#include <cstdint>

#include "jvmsearch/pe_machine.h"

#if defined(_WIN64)
// The PE machine of a java.exe this launcher accepts.
constexpr uint16_t kLauncherMachine = kMachineX64;
// The detail of the "no runtime" message: the bitness the runtime must have.
constexpr const char* kLauncherBits = "64";
#else
constexpr uint16_t kLauncherMachine = kMachineX86;
constexpr const char* kLauncherBits = "32";
#endif
