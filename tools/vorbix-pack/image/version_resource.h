// The version resource (VS_VERSIONINFO) that vorbix-pack writes from the
// keys version, productName, companyName, fileDescription and copyright:
// the fixed file information and one string table (U.S. English, UTF-16),
// and reading such a resource back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The longest text of a version key, in UTF-16 units (a resource entry's
// length is 16-bit; this keeps the whole resource well inside it).
constexpr size_t kVersionTextMaxLength = 1000;

struct VersionKey {
    const char* key;      // the CONFIG.json key
    const char* strings;  // the names of the string table entries it writes
};
// The keys in the order inspect prints them.
const std::vector<VersionKey>& versionKeys();

// The key's values as given (version: its dotted text). Only those present
// are written, in the order of the string table.
struct VersionInfo {
    std::vector<std::pair<std::string, std::u16string>> values;  // key, text

    const std::u16string* find(const std::string& key) const;
    bool operator==(const VersionInfo& o) const { return values == o.values; }
};

// "1", "1.2", "1.2.3" or "1.2.3.4", each part 0 to 65535; the missing
// parts are 0. nullopt with the reason in `why` otherwise.
std::optional<std::array<uint16_t, 4>> parseVersionNumber(const std::string& text, std::string& why);

std::vector<uint8_t> versionResourceBytes(const VersionInfo& info);

// The keys of a version resource (its FileVersion string gives version).
// nullopt for bytes that are no version resource.
std::optional<VersionInfo> readVersionResource(const std::vector<uint8_t>& data);
