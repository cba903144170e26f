#include "base/tool_version.h"

#include <cstdio>

#ifndef VBX_VERSION
#error "VBX_VERSION (the VERSION file) is set by the build"
#endif

const char* toolVersion() { return VBX_VERSION; }

std::array<int32_t, 3> toolVersionParts() {
    std::array<int32_t, 3> parts{};
    std::sscanf(VBX_VERSION, "%d.%d.%d", &parts[0], &parts[1], &parts[2]);
    return parts;
}

std::string packedByText(int32_t major, int32_t minor, int64_t patch) {
    if (major == 0 && minor == 0 && patch == 0) return "";
    return "vorbix-pack " + std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}
