// The resource directory of a PE image as a flat list of resources (type,
// name, language, data), and back: vorbix-pack rebuilds the whole resource
// section when it writes the version information and the icon.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A directory entry's key: a number, or a name (named entries sort first).
struct ResourceKey {
    bool named = false;
    uint16_t id = 0;
    std::u16string name;

    static ResourceKey number(uint16_t id) { return {false, id, {}}; }
    bool operator==(const ResourceKey& o) const { return named == o.named && id == o.id && name == o.name; }
    bool operator<(const ResourceKey& o) const;
};

constexpr uint16_t kResourceIcon = 3;
constexpr uint16_t kResourceGroupIcon = 14;
constexpr uint16_t kResourceVersion = 16;

struct Resource {
    ResourceKey type;
    ResourceKey name;
    ResourceKey language;
    uint32_t codePage = 0;
    std::vector<uint8_t> data;

    bool operator==(const Resource& o) const {
        return type == o.type && name == o.name && language == o.language && codePage == o.codePage && data == o.data;
    }
};

// Reads the directory that starts at `directoryRva` from a section's raw
// bytes (the section is mapped at `sectionRva`). Throws PackError naming
// `name` for a directory that points outside the section or loops.
std::vector<Resource> readResources(const std::vector<uint8_t>& section, uint32_t sectionRva, uint32_t directoryRva,
                                    const std::string& name);

// The raw bytes of a resource section at `sectionRva` holding the
// resources, sorted as the loader expects; the directory starts at the
// section's first byte. The same list always gives the same bytes.
std::vector<uint8_t> writeResources(std::vector<Resource> resources, uint32_t sectionRva);
