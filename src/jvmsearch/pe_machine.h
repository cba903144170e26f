// The machine field of a PE image's file header.
#pragma once

#include <cstdint>
#include <string>

constexpr uint16_t kMachineX86 = 0x14C;  // 332
constexpr uint16_t kMachineX64 = 0x8664;

// 0 when the file cannot be opened or is not a PE image; each reason is logged.
uint16_t readPeMachine(const std::string& path);
