#include "launch/memory_size.h"

#include <cstdio>

int64_t parseMemorySize(const char* text) {
    long long value = 0;
    if (std::sscanf(text, "%lld", &value) != 1) return -1;
    const char* unit = text;
    while (*unit >= '0' && *unit <= '9') ++unit;
    uint64_t multiplier;
    switch (*unit) {
    case '\0': return value;
    case 'k': case 'K': multiplier = 1024ull; break;
    case 'm': case 'M': multiplier = 1048576ull; break;
    case 'g': case 'G': multiplier = 1073741824ull; break;
    case 't': case 'T': multiplier = 1099511627776ull; break;
    default: return -1;
    }
    if (unit[1] != '\0') return -1;
    return static_cast<int64_t>(static_cast<uint64_t>(value) * multiplier);
}
