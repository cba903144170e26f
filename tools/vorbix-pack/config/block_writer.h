// The configuration block as vorbix-pack writes it: magic, three header values
// (the tool's release: major, minor, patch), the base table, the wide table and the locale sections.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/config/config_ids.h"

using BaseRecord = std::pair<ConfigId, std::string>;     // 8-bit text
using WideRecord = std::pair<ConfigId, std::u16string>;  // UTF-16 text

struct LocaleSection {
    std::string prefix;  // matched against the start of the launcher's locale
    std::vector<WideRecord> records;
};

struct ConfigBlock {
    std::vector<BaseRecord> base;
    std::vector<WideRecord> wide;
    std::vector<LocaleSection> sections;
};

// Records are written in the order given; the sections too (a later matching
// section wins in the launcher).
std::vector<uint8_t> serializeBlock(const ConfigBlock& block);
