#include "core/config/config_reader.h"

#include <cstring>
#include <vector>

#include "core/config/config_format.h"
#include "core/config/config_store.h"
#include "core/log.h"

bool MemoryByteSource::read(void* buffer, uint32_t size, uint32_t& bytesRead, uint32_t& errorCode) {
    bytesRead = 0;
    errorCode = 0;
    if (position_ < 0) {
        errorCode = 131;  // a negative seek, as the platform reports it
        return false;
    }
    if (static_cast<uint64_t>(position_) >= size_) return true;
    size_t available = size_ - static_cast<size_t>(position_);
    size_t count = size < available ? size : available;
    std::memcpy(buffer, data_ + position_, count);
    position_ += static_cast<int64_t>(count);
    bytesRead = static_cast<uint32_t>(count);
    return true;
}

int64_t MemoryByteSource::remaining() const {
    if (position_ < 0 || static_cast<uint64_t>(position_) >= size_) return 0;
    return static_cast<int64_t>(size_) - position_;
}

namespace {

// Reads exactly size bytes; false on an error or a short read.
bool readExact(ByteSource& source, void* buffer, uint32_t size, uint32_t& bytesRead, uint32_t& errorCode) {
    bool ok = source.read(buffer, size, bytesRead, errorCode);
    return ok && bytesRead == size;
}

uint32_t littleEndian32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// A stored length that cannot be satisfied by the rest of the file ends the
// load like the short read it would lead to, before anything is allocated.
bool lengthFits(ByteSource& source, int32_t length) { return length >= 0 && length <= source.remaining(); }

}  // namespace

int32_t readInt(ByteSource& source) {
    uint8_t bytes[4];
    uint32_t bytesRead = 0, errorCode = 0;
    if (!readExact(source, bytes, 4, bytesRead, errorCode)) {
        logMessage(L"error %d %d\n", static_cast<int>(errorCode), static_cast<int>(bytesRead));
        fatalError(L"Internal Error: readInt");
    }
    return static_cast<int32_t>(littleEndian32(bytes));
}

int64_t readLong(ByteSource& source) {
    uint8_t bytes[8];
    uint32_t bytesRead = 0, errorCode = 0;
    if (!readExact(source, bytes, 8, bytesRead, errorCode)) {
        logMessage(L"error %d\n", static_cast<int>(errorCode));
        fatalError(L"Internal Error: readLong");
    }
    uint64_t value = littleEndian32(bytes) | static_cast<uint64_t>(littleEndian32(bytes + 4)) << 32;
    return static_cast<int64_t>(value);
}

int16_t readShort(ByteSource& source) {
    uint8_t bytes[2];
    uint32_t bytesRead = 0, errorCode = 0;
    if (!readExact(source, bytes, 2, bytesRead, errorCode)) {
        logMessage(L"error %d\n", static_cast<int>(errorCode));
        fatalError(L"Internal Error: readShort");
    }
    return static_cast<int16_t>(bytes[0] | bytes[1] << 8);
}

std::string readString(ByteSource& source) {
    int32_t length = readInt(source);
    if (!lengthFits(source, length)) fatalError(L"Internal Error: readString");
    std::string value(static_cast<size_t>(length), '\0');
    uint32_t bytesRead = 0, errorCode = 0;
    if (length > 0 && !readExact(source, &value[0], static_cast<uint32_t>(length), bytesRead, errorCode))
        fatalError(L"Internal Error: readString");
    return value;
}

std::wstring readWString(ByteSource& source) {
    int32_t length = readInt(source);
    if (!lengthFits(source, length)) fatalError(L"Internal Error: readWString");
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    uint32_t bytesRead = 0, errorCode = 0;
    if (length > 0 && !readExact(source, bytes.data(), static_cast<uint32_t>(length), bytesRead, errorCode))
        fatalError(L"Internal Error: readWString");
    // n bytes give n/2 UTF-16 units; an odd last byte is dropped.
    std::wstring value(static_cast<size_t>(length) / 2, L'\0');
    for (size_t i = 0; i < value.size(); ++i)
        value[i] = static_cast<wchar_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return value;
}

void skipString(ByteSource& source) {
    int32_t length = readInt(source);
    if (!lengthFits(source, length)) fatalError(L"Internal Error: readString");
    source.seek(source.position() + length);
}

void seekConfigBlock(ByteSource& source) {
    source.seek(0x3C);
    int64_t signature = readInt(source);
    source.seek(signature + 6);
    int64_t sectionCount = readShort(source);
    source.seek(signature + 20);
    int64_t optionalHeaderSize = readShort(source);
    int64_t end = signature + 4 + optionalHeaderSize + 40 * sectionCount;
    source.seek(end - 4);
    uint32_t rawSize = static_cast<uint32_t>(readInt(source));
    source.seek(end);
    uint32_t rawPointer = static_cast<uint32_t>(readInt(source));
    source.seek(static_cast<int64_t>(rawPointer) + rawSize);
}

namespace {

void readHeader(ByteSource& source) {
    seekConfigBlock(source);
    // A file that ends behind its last section has no block at all: that is a
    // missing magic. A file cut inside the magic is a short read like any other.
    if (source.remaining() == 0 || static_cast<uint32_t>(readInt(source)) != kConfigMagic)
        fatalError(L"Internal Error: magic");
    readInt(source);
    readInt(source);
    readLong(source);
}

}  // namespace

void readBaseEntries(ByteSource& source) {
    readHeader(source);
    int32_t count = readInt(source);
    auto& base = configStore().base;
    for (int32_t i = 0; i < count; ++i) {
        int32_t id = readInt(source);
        base[id] = readString(source);
    }
}

bool localeSectionMatches(const std::string& prefix, const std::string& locale) {
    return prefix.size() <= locale.size() && locale.compare(0, prefix.size(), prefix) == 0;
}

void readLocalizedEntries(ByteSource& source, const std::function<std::string()>& detectLocale) {
    readHeader(source);
    int32_t baseCount = readInt(source);
    for (int32_t i = 0; i < baseCount; ++i) {
        readInt(source);
        skipString(source);
    }
    ConfigStore& store = configStore();
    int32_t wideCount = readInt(source);
    for (int32_t i = 0; i < wideCount; ++i) {
        int32_t id = readInt(source);
        store.wide[id] = readWString(source);
    }

    std::string locale = detectLocale();
    if (locale.size() >= 2) store.languageCode = locale.substr(0, 2);
    if (locale.size() == 5) store.countryCode = locale.substr(3, 2);

    int32_t sectionCount = readInt(source);
    for (int32_t s = 0; s < sectionCount; ++s) {
        std::string prefix = readString(source);
        bool matches = localeSectionMatches(prefix.c_str(), locale);
        int32_t recordCount = readInt(source);
        for (int32_t r = 0; r < recordCount; ++r) {
            int32_t id = readInt(source);
            std::wstring value = readWString(source);
            if (matches) store.wide[id] = std::move(value);
        }
    }
    store.payloadPosition = static_cast<int32_t>(source.position());
}
