// vorbix-pack build: the stub up to the end of its last section, the
// configuration block, the file table.
#pragma once

#include <cstdint>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/config/config_reader.h"

// The architecture a configuration without the key packs onto: every
// current Java runtime for Windows is x64.
constexpr const char* kDefaultArchitecture = "x64";

// The bare launcher of an architecture ("x86" or "x64") found beside the
// tool ("launcher.exe" or "launcher64.exe"), else in the cross build next to
// the tool's directory ("../win32/launcher.exe" or "../win64/launcher.exe"):
// the first of these that is a launcher of that architecture.
std::filesystem::path defaultStubPath(const std::filesystem::path& toolDirectory,
                                      const std::string& architecture = kDefaultArchitecture);

// The machine field of a Windows executable's PE header (stubImageEnd has
// checked the header).
uint16_t stubMachine(ByteSource& stub);

// Where the block goes: behind the raw data of the last section in the
// stub's section table, found as the launcher finds its own block. Anything
// already there (an earlier block) is dropped.
int64_t stubImageEnd(ByteSource& stub, const std::string& name);

// The first `size` bytes of the stub; with upTo fewer when the file is
// shorter, else a file cut short is a PackError.
std::vector<uint8_t> readStubBytes(ByteSource& stub, int64_t size, const std::string& name, bool upTo = false);

// Writes the PE checksum of the whole file into its CheckSum field.
void writePeChecksum(std::FILE* file, uint32_t checksumOffset, const std::string& name);

// A launcher is addressed with 32-bit file offsets.
constexpr int64_t kMaxLauncherSize = INT32_MAX;

// What a build packed onto: the stub's architecture ("x86", "x64") and file.
struct BuiltLauncher {
    std::string architecture;
    std::filesystem::path stub;
};

// toolDirectory is where the default runtime archive is looked for
// (defaultRuntimeArchivePath), when the launcher takes one, and where the
// default stub of the configured architecture (kDefaultArchitecture without
// the key) is looked for when stubPath is empty. A stub of another
// architecture than the configured one is refused.
BuiltLauncher buildLauncher(const std::filesystem::path& configPath, const std::filesystem::path& outputPath,
                   const std::filesystem::path& stubPath, const std::filesystem::path& toolDirectory);
