#include "config/jar_manifest.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "base/file_source.h"
#include "base/host_files.h"
#include "base/pack_error.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kEndRecord = 0x06054B50, kCentralEntry = 0x02014B50, kLocalEntry = 0x04034B50;
constexpr uint32_t kMaxManifest = 1u << 20;

uint16_t get16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(get16(b, at)) | static_cast<uint32_t>(get16(b, at + 2)) << 16;
}

std::vector<uint8_t> readAt(std::FILE* file, int64_t at, size_t size) {
    std::vector<uint8_t> bytes(size);
    if (!seekFile(file, at) || std::fread(bytes.data(), 1, size, file) != size) return {};
    return bytes;
}

std::string inflated(const std::vector<uint8_t>& data, uint32_t size) {
    std::string out(size, '\0');
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return "";
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = size;
    int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    if (result != Z_STREAM_END || stream.total_out != size) throw std::runtime_error("damaged");
    return out;
}

}  // namespace

std::map<std::string, std::string> parseManifest(const std::string& text) {
    std::map<std::string, std::string> attributes;
    std::string last;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos) {
            start = text.size();
        } else {
            start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
        }
        if (line.empty()) break;  // the main section ends at the first blank line
        if (line[0] == ' ') {
            if (!last.empty()) attributes[last] += line.substr(1);
            continue;
        }
        size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        last = line.substr(0, colon);
        attributes[last] = line.substr(colon + 2);
    }
    return attributes;
}

std::map<std::string, std::string> readJarManifest(const fs::path& jar) {
    FilePtr file = openForReading(jar);
    const std::string name = jar.string();
    auto damaged = [&] { return PackError(name + ": not a jar (zip) archive, or a damaged one"); };
    int64_t size = fileSize(file.get());
    if (size < 22) throw damaged();
    // The end record lies within the last 64 KiB + 22 bytes (behind it only its comment).
    size_t tail = static_cast<size_t>(std::min<int64_t>(size, 0xFFFF + 22));
    std::vector<uint8_t> end = readAt(file.get(), size - static_cast<int64_t>(tail), tail);
    if (end.empty()) throw damaged();
    size_t at = tail - 22 + 1;
    do {
        --at;
    } while (at > 0 && get32(end, at) != kEndRecord);
    if (get32(end, at) != kEndRecord) throw damaged();
    uint32_t entries = get16(end, at + 10), directorySize = get32(end, at + 12), directoryAt = get32(end, at + 16);
    if (directoryAt > size || directorySize > size - directoryAt) throw damaged();
    std::vector<uint8_t> directory = readAt(file.get(), directoryAt, directorySize);
    if (directory.size() != directorySize) throw damaged();
    size_t p = 0;
    for (uint32_t i = 0; i < entries; ++i) {
        if (p + 46 > directory.size() || get32(directory, p) != kCentralEntry) throw damaged();
        uint16_t method = get16(directory, p + 10);
        uint32_t packed = get32(directory, p + 20), unpacked = get32(directory, p + 24);
        size_t nameLength = get16(directory, p + 28);
        size_t skip = 46 + nameLength + get16(directory, p + 30) + get16(directory, p + 32);
        uint32_t local = get32(directory, p + 42);
        if (p + 46 + nameLength > directory.size()) throw damaged();
        std::string entry(directory.begin() + p + 46, directory.begin() + p + 46 + nameLength);
        p += skip;
        std::string upper = entry;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
        if (upper != "META-INF/MANIFEST.MF") continue;
        if (unpacked > kMaxManifest || packed > kMaxManifest || (method != 0 && method != 8))
            throw PackError(name + ": its manifest cannot be read (stored in a way this tool does not read)");
        std::vector<uint8_t> header = readAt(file.get(), local, 30);
        if (header.empty() || get32(header, 0) != kLocalEntry) throw damaged();
        std::vector<uint8_t> data =
            readAt(file.get(), static_cast<int64_t>(local) + 30 + get16(header, 26) + get16(header, 28), packed);
        if (data.size() != packed) throw damaged();
        try {
            return parseManifest(method == 0 ? std::string(data.begin(), data.end()) : inflated(data, unpacked));
        } catch (const std::runtime_error&) {
            throw damaged();
        }
    }
    return {};
}
