// Builds configuration blocks and minimal PE images in memory for the native
// tests and the fuzz targets' seeds.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct BlockBuilder {
    std::vector<uint8_t> bytes;

    BlockBuilder& int32(int32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
        return *this;
    }
    BlockBuilder& int64(int64_t v) {
        for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
        return *this;
    }
    BlockBuilder& str(const std::string& s) {
        int32(static_cast<int32_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    BlockBuilder& wstr(const std::u16string& s) {
        int32(static_cast<int32_t>(2 * s.size()));
        for (char16_t c : s) {
            bytes.push_back(static_cast<uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        return *this;
    }
    BlockBuilder& header() { return int32(static_cast<int32_t>(0xE8E413D5u)).int32(0).int32(0).int64(0); }
};

// A block with the given base and wide records and locale sections.
inline std::vector<uint8_t> makeBlock(const std::vector<std::pair<int32_t, std::string>>& base,
                                      const std::vector<std::pair<int32_t, std::u16string>>& wide = {},
                                      const std::vector<std::pair<std::string,
                                                                  std::vector<std::pair<int32_t, std::u16string>>>>&
                                          sections = {}) {
    BlockBuilder b;
    b.header().int32(static_cast<int32_t>(base.size()));
    for (auto& [id, value] : base) b.int32(id).str(value);
    b.int32(static_cast<int32_t>(wide.size()));
    for (auto& [id, value] : wide) b.int32(id).wstr(value);
    b.int32(static_cast<int32_t>(sections.size()));
    for (auto& [prefix, records] : sections) {
        b.str(prefix).int32(static_cast<int32_t>(records.size()));
        for (auto& [id, value] : records) b.int32(id).wstr(value);
    }
    return b.bytes;
}

// A minimal PE image: headers whose section table lists the given
// (pointer to raw data, size of raw data) pairs, padded so that the block can
// be placed behind the end of the last listed section.
inline std::vector<uint8_t> makePe(const std::vector<std::pair<uint32_t, uint32_t>>& sections,
                                   uint32_t optionalHeaderSize = 0xE0) {
    const uint32_t pe = 0x80;
    uint32_t table = pe + 24 + optionalHeaderSize;
    std::vector<uint8_t> image(table + 40 * sections.size(), 0);
    auto put32 = [&](uint32_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    auto put16 = [&](uint32_t at, uint16_t v) {
        image[at] = static_cast<uint8_t>(v);
        image[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    image[0] = 'M';
    image[1] = 'Z';
    put32(0x3C, pe);
    image[pe] = 'P';
    image[pe + 1] = 'E';
    put16(pe + 6, static_cast<uint16_t>(sections.size()));
    put16(pe + 20, static_cast<uint16_t>(optionalHeaderSize));
    for (size_t i = 0; i < sections.size(); ++i) {
        uint32_t header = table + 40 * static_cast<uint32_t>(i);
        put32(header + 16, sections[i].second);
        put32(header + 20, sections[i].first);
    }
    return image;
}

// The image with the block placed at the given offset (zero padding between).
inline std::vector<uint8_t> withBlockAt(std::vector<uint8_t> image, size_t offset,
                                        const std::vector<uint8_t>& block) {
    if (image.size() < offset) image.resize(offset, 0);
    image.resize(offset);
    image.insert(image.end(), block.begin(), block.end());
    return image;
}
