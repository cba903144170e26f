// The configuration block reader over arbitrary bytes: every input either
// loads or ends in one of the reader's fatal errors, never in a crash or an
// unbounded allocation.
#include <cstddef>
#include <cstdint>

#include "core/config/config_reader.h"
#include "core/config/config_store.h"
#include "host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    configStore() = ConfigStore();
    resetHost();
    try {
        MemoryByteSource first(data, size);
        readBaseEntries(first);
        MemoryByteSource second(data, size);
        readLocalizedEntries(second, [] { return std::string("de_CH"); });
        char buffer[16];
        for (auto& entry : configStore().base) copyString(entry.first, buffer, sizeof buffer);
        for (auto& entry : configStore().wide) getMessage(entry.first);
    } catch (const FatalErrorThrown&) {
    }
    return 0;
}
