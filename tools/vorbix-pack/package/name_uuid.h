// Name-based UUIDs (version 5: SHA-1 of a namespace and a name), so that a
// package's upgrade, product and component codes follow from the
// configuration and stay the same from one build to the next.
#pragma once

#include <array>
#include <cstdint>
#include <string>

using Uuid = std::array<uint8_t, 16>;

// The SHA-1 digest of the bytes.
std::array<uint8_t, 20> sha1(const std::string& bytes);

Uuid nameUuid(const Uuid& space, const std::string& name);

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", upper-case hexadecimal.
std::string uuidText(const Uuid& uuid);

// Reads that form, with or without braces, in either case; false for
// anything else.
bool parseUuid(const std::string& text, Uuid& uuid);
