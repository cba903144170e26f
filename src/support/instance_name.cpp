#include "support/instance_name.h"

std::string executableIdentity(const std::string& canonicalPath) {
    std::string identity = canonicalPath;
    for (char& c : identity)
        if (c == '\\' || c == ' ') c = '_';
    return identity;
}

SemaphoreScope semaphoreScope(int machineWide, int sessionWide) {
    if (machineWide != 0) return SemaphoreScope::Machine;
    if (sessionWide != 0) return SemaphoreScope::Session;
    return SemaphoreScope::User;
}

std::string semaphoreBaseName(SemaphoreScope scope, const std::string& sidString, const std::string& identity) {
    switch (scope) {
        case SemaphoreScope::Machine:
            return "Global\\" + identity;
        case SemaphoreScope::Session:
            return "Local\\" + identity;
        case SemaphoreScope::User:
            break;
    }
    return "Global\\" + sidString + identity;
}

std::string sidString(const uint8_t* sid, size_t size) {
    constexpr size_t kHeader = 8;
    constexpr uint8_t kMaxSubAuthorities = 15;
    if (!sid || size < kHeader || sid[0] != 1 || sid[1] > kMaxSubAuthorities) return std::string();
    size_t count = sid[1];
    if (size < kHeader + 4 * count) return std::string();
    std::string text = "S-1-";
    uint64_t authority = 0;
    for (size_t i = 2; i < kHeader; ++i) authority = (authority << 8) | sid[i];
    if (authority >> 32) {
        // Authorities beyond 32 bits are written as twelve hex digits.
        static const char kDigits[] = "0123456789ABCDEF";
        text += "0x";
        for (size_t i = 2; i < kHeader; ++i) {
            text += kDigits[sid[i] >> 4];
            text += kDigits[sid[i] & 0xF];
        }
    } else {
        text += std::to_string(authority);
    }
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* part = sid + kHeader + 4 * i;
        uint32_t value = static_cast<uint32_t>(part[0]) | static_cast<uint32_t>(part[1]) << 8 |
                         static_cast<uint32_t>(part[2]) << 16 | static_cast<uint32_t>(part[3]) << 24;
        text += "-" + std::to_string(value);
    }
    return text;
}
