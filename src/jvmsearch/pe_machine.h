// The machine field of a PE image's file header (332 = x86).
#pragma once

#include <cstdint>
#include <string>

constexpr uint16_t kMachineX86 = 332;

// 0 when the file cannot be opened or is not a PE image; each reason is logged.
uint16_t readPeMachine(const std::string& path);
