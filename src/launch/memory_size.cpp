#include "launch/memory_size.h"

int64_t parseMemorySize(const char* text) {
    // Only a text that starts with a digit can be valid: a sign or a blank
    // would be scanned as part of the number but is no unit letter. The
    // digits are read here rather than by "%lld" scanning, whose result for a
    // number beyond 64 bits is undefined; such a number saturates, as the
    // C library's strtoll does.
    const char* unit = text;
    if (*unit < '0' || *unit > '9') return -1;
    uint64_t value = 0;
    for (; *unit >= '0' && *unit <= '9'; ++unit) {
        unsigned digit = static_cast<unsigned>(*unit - '0');
        value = value > (static_cast<uint64_t>(INT64_MAX) - digit) / 10 ? static_cast<uint64_t>(INT64_MAX)
                                                                         : value * 10 + digit;
    }
    uint64_t multiplier;
    switch (*unit) {
    case '\0': return static_cast<int64_t>(value);
    case 'k': case 'K': multiplier = 1024ull; break;
    case 'm': case 'M': multiplier = 1048576ull; break;
    case 'g': case 'G': multiplier = 1073741824ull; break;
    case 't': case 'T': multiplier = 1099511627776ull; break;
    default: return -1;
    }
    if (unit[1] != '\0') return -1;
    return static_cast<int64_t>(value * multiplier);
}
