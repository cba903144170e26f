#include "config/architecture.h"

#include "jvmsearch/pe_machine.h"

std::string architectureName(uint16_t machine) {
    if (machine == kMachineX86) return "x86";
    if (machine == kMachineX64) return "x64";
    return "";
}

uint16_t architectureMachine(const std::string& name) {
    if (name == "x86") return kMachineX86;
    if (name == "x64") return kMachineX64;
    return 0;
}
