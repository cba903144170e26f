// CONFIG.json, the description of an application's launcher: read, checked
// against what the launcher's readers take, and turned into the block and
// the list of files to include.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "block_writer.h"

struct IncludedFile {
    std::string name;                   // inside the launcher temp directory, 8-bit
    std::filesystem::path source;       // resolved against the config file's directory
};

struct PackConfig {
    ConfigBlock block;                  // records sorted by id, sections in the given order
    std::vector<IncludedFile> files;    // in the order of entry 2003
};

// Parses the text of a config file. `configPath` names it in messages and
// anchors relative source paths. Every problem is a one-line PackError.
PackConfig parsePackConfig(const std::string& text, const std::filesystem::path& configPath);

// Reads and parses the file.
PackConfig loadPackConfig(const std::filesystem::path& configPath);

// A decimal id ("101", "-5") as an int32, for the raw-id keys.
bool parseRawId(const std::string& text, ConfigId& id);
