// The resource section reader that inspect runs over any executable it is
// given: the input is a section's address (4 bytes) and its raw bytes, with
// the resource directory at its start. Every input is refused with a
// PackError or read; what is read writes a section that reads back the same,
// and the version resource and icon group inside read without harm (the
// version keys, written again, read back the same).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/pack_error.h"
#include "fuzz_check.h"
#include "image/app_resources.h"
#include "image/resource_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    uint32_t address = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                       static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    std::vector<uint8_t> section(data + 4, data + size);
    std::vector<Resource> resources;
    try {
        resources = readResources(section, address, address, "fuzz");
    } catch (const PackError&) {
        return 0;
    }
    // Written sorted and without repeats: reading and writing again changes nothing.
    std::vector<uint8_t> written = writeResources(resources, address);
    std::vector<Resource> again = readResources(written, address, address, "again");
    FUZZ_CHECK(again.size() <= resources.size());
    FUZZ_CHECK(writeResources(again, address) == written);

    std::vector<std::string> warnings;
    AppResources app = readAppResources(resources, warnings, "fuzz");
    if (app.version) {
        std::vector<uint8_t> bytes = versionResourceBytes(*app.version);
        if (bytes.size() < 0x10000) FUZZ_CHECK(readVersionResource(bytes) == app.version);
    }
    return 0;
}
