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

#include "config/block_writer.h"
#include "core/config/config_reader.h"
#include "image/app_resources.h"

struct IncludedRecord {
    std::string name;     // as listed in entry 2003
    int64_t offset = 0;   // of the first content byte
    int64_t size = 0;     // content bytes (0 for a record the launcher skips)
};

struct Signature {
    int64_t offset = 0;  // of the certificate table, behind everything vorbix-pack wrote
    int64_t size = 0;
};

struct LauncherContents {
    uint16_t machine = 0;                // of the PE header
    AppResources resources;              // version information and icon
    std::optional<Signature> signature;  // the certificate table a signing tool appended
    std::string packedBy;                // from the block's header values ("" when 0)
    ConfigBlock block;                   // records as stored, in file order
    std::vector<IncludedRecord> files;
    std::vector<std::string> warnings;   // oddities a block of this tool never has
};

// Reads the block and walks the file table. `name` names the file in errors.
LauncherContents readLauncherContents(ByteSource& source, const std::string& name);

// CONFIG.json for the contents; sources[i] becomes the source of file i,
// iconSource that of the icon.
nlohmann::ordered_json contentsToJson(const LauncherContents& contents, const std::vector<std::string>& sources,
                                      const std::string& iconSource = "");

// The name the icon is extracted under: icon.ico, unless an included file
// has that name (then icon-2.ico, ...).
std::string iconFileName(const LauncherContents& contents);

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
