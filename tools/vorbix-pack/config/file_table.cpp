#include "config/file_table.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/file_source.h"
#include "base/pack_error.h"
#include "core/config/config_format.h"

namespace {

constexpr size_t kChunkSize = 1 << 20;

void maskChunk(uint8_t* data, size_t size) {
    constexpr uint64_t wideMask = 0x0101010101010101ull * kFileTableMask;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, data + i, 8);
        word ^= wideMask;
        std::memcpy(data + i, &word, 8);
    }
    for (; i < size; ++i) data[i] ^= kFileTableMask;
}

void writeAll(std::FILE* out, const void* data, size_t size, const std::string& outName) {
    if (size > 0 && std::fwrite(data, 1, size, out) != size)
        throw PackError(outName + ": cannot write: " + systemErrorText(), kExitWriteFailed);
}

}  // namespace

int64_t copyBytes(std::FILE* in, std::FILE* out, int64_t size, bool masked, const std::string& outName) {
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kChunkSize]);
    int64_t copied = 0;
    while (copied < size) {
        size_t want = static_cast<size_t>(std::min<int64_t>(size - copied, static_cast<int64_t>(kChunkSize)));
        size_t got = std::fread(buffer.get(), 1, want, in);
        if (got == 0) break;
        if (masked) maskChunk(buffer.get(), got);
        writeAll(out, buffer.get(), got, outName);
        copied += static_cast<int64_t>(got);
    }
    return copied;
}

std::vector<int64_t> includedFileSizes(const std::vector<IncludedFile>& files) {
    std::vector<int64_t> sizes;
    for (const IncludedFile& file : files) {
        std::error_code error;
        auto size = std::filesystem::file_size(file.source, error);
        if (error) throw PackError(file.source.string() + ": cannot read: " + error.message());
        sizes.push_back(static_cast<int64_t>(size));
    }
    return sizes;
}

void writeFileTable(std::FILE* out, const std::vector<IncludedFile>& files, const std::string& outName) {
    for (const IncludedFile& file : files) {
        FilePtr in = openForReading(file.source);
        int64_t size = includedFileSizes({file}).front();
        uint8_t header[8];
        for (int i = 0; i < 8; ++i) header[i] = static_cast<uint8_t>(static_cast<uint64_t>(size) >> (8 * i));
        writeAll(out, header, sizeof header, outName);
        if (copyBytes(in.get(), out, size, true, outName) != size || std::fgetc(in.get()) != EOF)
            throw PackError(file.source.string() + ": changed while it was being packed");
    }
}
