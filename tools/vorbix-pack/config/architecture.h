// The two launchers vorbix-pack packs, told apart by the machine field of
// their PE header: "x86" (the 32-bit launcher, the default) and "x64".
#pragma once

#include <cstdint>
#include <string>

// "x86" or "x64" for a launcher's machine, "" for any other.
std::string architectureName(uint16_t machine);

// The machine of an architecture name; 0 for an unknown name.
uint16_t architectureMachine(const std::string& name);
