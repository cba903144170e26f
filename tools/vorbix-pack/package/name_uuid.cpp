#include "package/name_uuid.h"

#include <cctype>
#include <cstdio>

namespace {

uint32_t rotate(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

void sha1Block(uint32_t state[5], const uint8_t* block) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i)
        w[i] = uint32_t(block[4 * i]) << 24 | uint32_t(block[4 * i + 1]) << 16 | uint32_t(block[4 * i + 2]) << 8 |
               block[4 * i + 3];
    for (int i = 16; i < 80; ++i) w[i] = rotate(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        uint32_t t = rotate(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = rotate(b, 30);
        b = a;
        a = t;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

}  // namespace

std::array<uint8_t, 20> sha1(const std::string& bytes) {
    uint32_t state[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::string padded = bytes;
    padded += '\x80';
    while (padded.size() % 64 != 56) padded += '\0';
    uint64_t bits = uint64_t(bytes.size()) * 8;
    for (int i = 7; i >= 0; --i) padded += static_cast<char>(bits >> (8 * i));
    for (size_t at = 0; at < padded.size(); at += 64) sha1Block(state, reinterpret_cast<const uint8_t*>(&padded[at]));
    std::array<uint8_t, 20> digest;
    for (int i = 0; i < 20; ++i) digest[i] = static_cast<uint8_t>(state[i / 4] >> (24 - 8 * (i % 4)));
    return digest;
}

Uuid nameUuid(const Uuid& space, const std::string& name) {
    std::array<uint8_t, 20> digest = sha1(std::string(space.begin(), space.end()) + name);
    Uuid uuid;
    for (int i = 0; i < 16; ++i) uuid[i] = digest[i];
    uuid[6] = static_cast<uint8_t>((uuid[6] & 0x0F) | 0x50);  // version 5
    uuid[8] = static_cast<uint8_t>((uuid[8] & 0x3F) | 0x80);  // the standard variant
    return uuid;
}

std::string uuidText(const Uuid& uuid) {
    std::string text;
    char hex[3];
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        std::snprintf(hex, sizeof hex, "%02X", uuid[i]);
        text += hex;
    }
    return text;
}

bool parseUuid(const std::string& text, Uuid& uuid) {
    std::string body = text;
    if (body.size() == 38 && body.front() == '{' && body.back() == '}') body = body.substr(1, 36);
    if (body.size() != 36) return false;
    std::string digits;
    for (size_t i = 0; i < body.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash != (body[i] == '-')) return false;
        if (dash) continue;
        if (!std::isxdigit(static_cast<unsigned char>(body[i]))) return false;
        digits += body[i];
    }
    for (int i = 0; i < 16; ++i) uuid[i] = static_cast<uint8_t>(std::stoi(digits.substr(2 * i, 2), nullptr, 16));
    return true;
}
