// How the instance semaphore's name is put together from the executable's
// canonical path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The canonical (lower-cased) executable path with every backslash and every
// space replaced by "_", so that it forms one name segment.
std::string executableIdentity(const std::string& canonicalPath);

// Who may see the semaphore: the machine (entry 158), the session (entry
// 200), or, by default, every session of the same user.
enum class SemaphoreScope { Machine, Session, User };
SemaphoreScope semaphoreScope(int machineWide, int sessionWide);

// Scope prefix and identity, with no separator; the per-user prefix is
// "Global\" and the user's SID string.
std::string semaphoreBaseName(SemaphoreScope scope, const std::string& sidString, const std::string& identity);

// The text form ("S-1-5-21-...") of a security identifier in its binary
// layout (revision, count, six authority bytes in network order, then count
// 32-bit sub-authorities, little-endian); empty when the bytes are no valid
// identifier (revision other than 1, more than 15 sub-authorities, too few
// bytes).
std::string sidString(const uint8_t* sid, size_t size);
