// Reading the configuration block from a byte source: the executable file in
// the launcher, memory in tests and fuzzing. Every reader failure is fatal
// (fatalError with the reader's "Internal Error: ..." text).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to size bytes; false on an error, with the system error code.
    virtual bool read(void* buffer, uint32_t size, uint32_t& bytesRead, uint32_t& errorCode) = 0;
    // Positions from the start; a position outside the file makes later reads fail.
    virtual void seek(int64_t position) = 0;
    virtual int64_t position() const = 0;
    // Bytes left from the current position; lengths stored in the block are
    // checked against it before anything is allocated.
    virtual int64_t remaining() const = 0;
};

class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
    bool read(void* buffer, uint32_t size, uint32_t& bytesRead, uint32_t& errorCode) override;
    void seek(int64_t position) override { position_ = position; }
    int64_t position() const override { return position_; }
    int64_t remaining() const override;

private:
    const uint8_t* data_;
    size_t size_;
    int64_t position_ = 0;
};

int32_t readInt(ByteSource& source);
int64_t readLong(ByteSource& source);
int16_t readShort(ByteSource& source);
std::string readString(ByteSource& source);
std::wstring readWString(ByteSource& source);
void skipString(ByteSource& source);

// Positions the source at the first byte behind the raw data of the last
// section listed in the PE section table.
void seekConfigBlock(ByteSource& source);

// The first load: magic, header values and the base table into the store.
void readBaseEntries(ByteSource& source);

// The second load: skips the base table, reads the wide table, asks for the
// locale, applies the matching locale sections and records the payload
// position.
void readLocalizedEntries(ByteSource& source, const std::function<std::string()>& detectLocale);

// A section applies when its prefix is a prefix of the locale (byte-wise,
// case-sensitive; the empty prefix matches every locale).
bool localeSectionMatches(const std::string& prefix, const std::string& locale);
