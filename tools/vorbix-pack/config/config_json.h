// CONFIG.json, the description of an application's launcher: read, checked
// against what the launcher's readers take, and turned into the block and
// the list of files to include.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "config/block_writer.h"
#include "image/app_resources.h"

struct IncludedFile {
    std::string name;                   // inside the launcher temp directory, 8-bit
    std::filesystem::path source;       // resolved against the config file's directory
};

// What "runtimeArchive" asks for: the launcher runtime archive goes along
// for flavour "e" unless turned off; a path replaces the default archive.
struct RuntimeArchiveChoice {
    enum class Mode { Default, Off, Given };
    Mode mode = Mode::Default;
    std::filesystem::path source;       // Given: resolved against the config file's directory
};

struct PackConfig {
    ConfigBlock block;                  // records sorted by id, sections in the given order
    std::vector<IncludedFile> files;    // in the order of entry 2003
    RuntimeArchiveChoice runtimeArchive;
    std::string architecture;           // "x86", "x64", or "" when not given
    AppResources resources;             // version information and icon
    std::string configName;             // the config file, for messages
};

// The name the runtime archive has in the launcher temp directory, where the
// launcher of flavour "e" puts every archive on the class path.
constexpr const char* kRuntimeArchiveName = "vorbix-runtime.jar";

// The default runtime archive: vorbix-runtime.jar beside the tool, else
// java/vorbix-runtime.jar below the tool's directory (where the build puts it).
std::filesystem::path defaultRuntimeArchivePath(const std::filesystem::path& toolDirectory);

// Appends the runtime archive as the last included file when the launcher's
// flavour is "e" and the config does not turn it off, and rewrites entries
// 2002 and 2003 to match. The default archive is looked up below
// toolDirectory only when it is needed.
void includeRuntimeArchive(PackConfig& config, const std::filesystem::path& toolDirectory);

// Parses the text of a config file. `configPath` names it in messages and
// anchors relative source paths. Every problem is a one-line PackError.
PackConfig parsePackConfig(const std::string& text, const std::filesystem::path& configPath);

// The largest icon file build takes.
constexpr size_t kMaxIconFileSize = 16u << 20;

// Reads and parses the file.
PackConfig loadPackConfig(const std::filesystem::path& configPath);
// The config file's text (what loadPackConfig parses); a file that cannot be
// read is a one-line PackError.
std::string readConfigText(const std::filesystem::path& configPath);

// A decimal id ("101", "-5") as an int32, for the raw-id keys.
bool parseRawId(const std::string& text, ConfigId& id);
