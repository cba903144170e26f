// Sizes written as in the VM's "-Xss" option: a decimal number with an
// optional unit letter k, m, g or t (either case).
#pragma once

#include <cstdint>

// The byte count, or -1 when the text is not such a size. The multiplication
// wraps in 64 bits.
int64_t parseMemorySize(const char* text);
