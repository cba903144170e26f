#include "image/pe_image.h"

#include <algorithm>

#include "base/pack_error.h"

namespace {

uint16_t get16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 | static_cast<uint32_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(b[at + 3]) << 24;
}

}  // namespace

const PeSection* PeImage::sectionAt(uint32_t rva) const {
    for (const PeSection& s : sections)
        if (rva >= s.virtualAddress && rva - s.virtualAddress < std::max(s.virtualSize, s.rawSize)) return &s;
    return nullptr;
}

uint32_t alignUp(uint32_t value, uint32_t alignment) {
    if (alignment == 0) return value;
    return (value + alignment - 1) / alignment * alignment;
}

size_t peHeaderSize(const std::vector<uint8_t>& start) {
    if (start.size() < 0x40) return 0x40;
    uint32_t pe = get32(start, 0x3C);
    if (pe > 0x10000000 || start.size() < static_cast<size_t>(pe) + 24) return static_cast<size_t>(pe) + 24;
    return static_cast<size_t>(pe) + 24 + get16(start, pe + 20) + 40 * static_cast<size_t>(get16(start, pe + 6));
}

PeImage readPeImage(const std::vector<uint8_t>& b, const std::string& name) {
    auto cut = [&] { return PackError(name + ": damaged PE header (cut short)"); };
    if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z') throw PackError(name + ": not a Windows executable");
    PeImage image;
    image.peOffset = get32(b, 0x3C);
    if (b.size() < static_cast<size_t>(image.peOffset) + 24) throw cut();
    if (get32(b, image.peOffset) != 0x4550) throw PackError(name + ": not a Windows executable (no PE header)");
    image.machine = get16(b, image.peOffset + 4);
    uint16_t count = get16(b, image.peOffset + 6);
    image.optionalSize = get16(b, image.peOffset + 20);
    size_t table = image.sectionTableOffset();
    if (b.size() < table + 40 * static_cast<size_t>(count)) throw cut();
    size_t opt = image.peOffset + 24;
    if (image.optionalSize >= 2) image.magic = get16(b, opt);
    // The directories begin at 96 (PE32) or 112 (PE32+) into the optional header.
    size_t directories = image.magic == 0x10B ? 96 : 112;
    if (image.knownOptionalHeader() && image.optionalSize >= directories) {
        image.sectionAlignment = get32(b, opt + 32);
        image.fileAlignment = get32(b, opt + 36);
        image.sizeOfImage = get32(b, opt + 56);
        image.sizeOfHeaders = get32(b, opt + 60);
        image.checksumOffset = static_cast<uint32_t>(opt + 64);
        uint32_t listed = get32(b, opt + directories - 4);
        size_t fit = (image.optionalSize - directories) / 8;
        image.directoriesOffset = static_cast<uint32_t>(opt + directories);
        for (size_t i = 0; i < std::min<size_t>(listed, fit); ++i)
            image.directories.push_back({get32(b, opt + directories + 8 * i), get32(b, opt + directories + 8 * i + 4)});
    } else {
        image.magic = 0;
    }
    for (size_t i = 0; i < count; ++i) {
        size_t at = table + 40 * i;
        PeSection s;
        for (size_t k = 0; k < 8 && b[at + k]; ++k) s.name += static_cast<char>(b[at + k]);
        s.virtualSize = get32(b, at + 8);
        s.virtualAddress = get32(b, at + 12);
        s.rawSize = get32(b, at + 16);
        s.rawPointer = get32(b, at + 20);
        s.characteristics = get32(b, at + 36);
        image.sections.push_back(s);
    }
    return image;
}

void PeChecksum::add(const uint8_t* data, size_t size) {
    // 16-bit little-endian words with the carries folded back in (at the
    // end: the sum is the same in any grouping).
    for (size_t i = 0; i < size; ++i, ++length_) {
        uint64_t value = length_ - skipAt_ < 4 ? 0 : data[i];
        sum_ += (length_ & 1) ? value << 8 : value;
    }
}

uint32_t PeChecksum::finish() const {
    uint64_t sum = sum_;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + length_);
}
