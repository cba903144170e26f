// parseMemorySize: valid exactly for digits with at most one unit letter;
// any 63-bit number written out with a unit reads back as number × unit
// (wrapping); leading zeros change nothing.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "host.h"
#include "launch/memory_size.h"

namespace {

uint64_t multiplierOf(char unit) {
    switch (unit) {
        case '\0': return 1;
        case 'k': case 'K': return 1ull << 10;
        case 'm': case 'M': return 1ull << 20;
        case 'g': case 'G': return 1ull << 30;
        case 't': case 'T': return 1ull << 40;
    }
    return 0;
}

bool wellFormed(const std::string& text) {
    size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    if (digits == 0) return false;
    if (digits == text.size()) return true;
    return digits + 1 == text.size() && multiplierOf(text[digits]) > 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    resetHost();
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();  // the parser sees a C string
    int64_t parsed = parseMemorySize(text.c_str());
    if (!wellFormed(text)) {
        FUZZ_CHECK(parsed == -1);
    } else {
        FUZZ_CHECK(parseMemorySize(("000" + text).c_str()) == parsed);
    }

    if (size >= 9) {
        uint64_t number = 0;
        std::memcpy(&number, data, 8);
        number &= static_cast<uint64_t>(INT64_MAX);
        static const char kUnits[] = {'\0', 'k', 'K', 'm', 'M', 'g', 'G', 't', 'T'};
        char unit = kUnits[data[8] % sizeof kUnits];
        std::string written = std::to_string(number);
        if (unit) written += unit;
        FUZZ_CHECK(parseMemorySize(written.c_str()) == static_cast<int64_t>(number * multiplierOf(unit)));
        // One more digit than 63 bits hold saturates before the unit applies.
        std::string huge = "9" + std::to_string(static_cast<uint64_t>(INT64_MAX)) + (unit ? std::string(1, unit) : "");
        FUZZ_CHECK(parseMemorySize(huge.c_str()) ==
                   static_cast<int64_t>(static_cast<uint64_t>(INT64_MAX) * multiplierOf(unit)));
    }
    return 0;
}
