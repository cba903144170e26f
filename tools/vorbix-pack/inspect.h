// Reading an application's launcher back: the configuration block, the
// included files behind it, and the JSON that builds the same launcher again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "block_writer.h"
#include "core/config/config_reader.h"

struct IncludedRecord {
    std::string name;     // as listed in entry 2003
    int64_t offset = 0;   // of the first content byte
    int64_t size = 0;     // content bytes (0 for a record the launcher skips)
};

struct LauncherContents {
    uint16_t machine = 0;                // of the PE header
    ConfigBlock block;                   // records as stored, in file order
    std::vector<IncludedRecord> files;
    std::vector<std::string> warnings;   // oddities a block of this tool never has
};

// Reads the block and walks the file table. `name` names the file in errors.
LauncherContents readLauncherContents(ByteSource& source, const std::string& name);

// CONFIG.json for the contents; sources[i] becomes the source of file i.
nlohmann::ordered_json contentsToJson(const LauncherContents& contents, const std::vector<std::string>& sources);

// Where an included file goes below a directory; names that would leave it
// are a PackError.
std::filesystem::path extractionPath(const std::filesystem::path& directory, const std::string& name);

struct InspectRequest {
    std::filesystem::path exe;
    std::optional<std::filesystem::path> extractDirectory;
    // Where the JSON goes (standard output when empty). Sources in it are
    // relative to this file's directory, or to the current directory.
    std::optional<std::filesystem::path> output;
};

void inspectLauncher(const InspectRequest& request, std::ostream& out, std::ostream& err);
