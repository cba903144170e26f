// Constants of the configuration block and the file table behind it, shared by
// the launcher that reads them and vorbix-pack that writes them.
#pragma once

#include <cstdint>

constexpr uint32_t kConfigMagic = 0xE8E413D5u;

// Every content byte of an included file is stored XORed with this mask.
constexpr uint8_t kFileTableMask = 0x88;
