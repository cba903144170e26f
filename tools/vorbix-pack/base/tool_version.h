// The release this vorbix-pack belongs to (the VERSION file of the source
// tree), which it also writes into the header of every block it builds.
#pragma once

#include <array>
#include <cstdint>
#include <string>

const char* toolVersion();

// major, minor, patch of toolVersion().
std::array<int32_t, 3> toolVersionParts();

// "vorbix-pack 1.2.3" for the header values of a block; "" when they are
// all 0 (a block written by an earlier vorbix-pack or another builder).
std::string packedByText(int32_t major, int32_t minor, int64_t patch);
