// The parts of a PE image's headers that vorbix-pack reads and rewrites:
// the section table, the optional header's sizes and alignments, the data
// directories (resources, certificate table) and the checksum field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kDirectoryResource = 2;
constexpr int kDirectoryCertificates = 4;  // a file offset, not an address

struct PeSection {
    std::string name;  // up to 8 bytes, NULs dropped
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;
    uint32_t rawPointer = 0;
    uint32_t characteristics = 0;
};

struct PeDirectory {
    uint32_t address = 0;  // an RVA (for the certificate table a file offset)
    uint32_t size = 0;
};

struct PeImage {
    uint32_t peOffset = 0;
    uint16_t machine = 0;
    uint16_t optionalSize = 0;
    uint16_t magic = 0;             // 0x10B PE32, 0x20B PE32+, else no optional header we know
    uint32_t fileAlignment = 0;
    uint32_t sectionAlignment = 0;
    uint32_t sizeOfImage = 0;
    uint32_t sizeOfHeaders = 0;
    uint32_t checksumOffset = 0;    // file offset of the CheckSum field
    uint32_t directoriesOffset = 0; // file offset of the first data directory
    std::vector<PeDirectory> directories;
    std::vector<PeSection> sections;

    bool knownOptionalHeader() const { return magic == 0x10B || magic == 0x20B; }
    uint32_t sectionTableOffset() const { return peOffset + 24 + optionalSize; }
    PeDirectory directory(int index) const {
        return index < static_cast<int>(directories.size()) ? directories[index] : PeDirectory{};
    }
    // The section holding an address, or nullptr.
    const PeSection* sectionAt(uint32_t rva) const;
};

// Reads the headers from the first bytes of a file (at least up to the end of
// the section table). Throws PackError naming `name` when they are cut short
// or not a PE image. An optional header of an unknown kind gives an image
// without directories.
PeImage readPeImage(const std::vector<uint8_t>& headers, const std::string& name);

// How many bytes from the start of a file readPeImage needs, given its first
// 0x400 bytes (at least up to the section table's end; more is harmless).
size_t peHeaderSize(const std::vector<uint8_t>& start);

uint32_t alignUp(uint32_t value, uint32_t alignment);

// The PE checksum over a whole file's bytes, its CheckSum field counted as 0.
class PeChecksum {
public:
    explicit PeChecksum(uint32_t checksumOffset) : skipAt_(checksumOffset) {}
    void add(const uint8_t* data, size_t size);
    uint32_t finish() const;

private:
    uint64_t sum_ = 0;
    uint64_t length_ = 0;
    uint32_t skipAt_;
};
