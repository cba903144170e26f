#include "image/icon_resource.h"

#include <cstring>

#include "base/pack_error.h"

namespace {

constexpr size_t kDirectorySize = 6;
constexpr size_t kFileEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;

uint16_t get16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(get16(b, at)) | static_cast<uint32_t>(get16(b, at + 2)) << 16;
}
void put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, static_cast<uint16_t>(v));
    put16(b, static_cast<uint16_t>(v >> 16));
}

// Image entry fields shared by the file and the group directory (12 bytes).
void putEntryHead(std::vector<uint8_t>& b, const IconImage& image) {
    b.insert(b.end(), {image.width, image.height, image.colorCount, image.reserved});
    put16(b, image.planes);
    put16(b, image.bitCount);
    put32(b, static_cast<uint32_t>(image.data.size()));
}

IconImage entryHead(const std::vector<uint8_t>& b, size_t at) {
    IconImage image;
    image.width = b[at];
    image.height = b[at + 1];
    image.colorCount = b[at + 2];
    image.reserved = b[at + 3];
    image.planes = get16(b, at + 4);
    image.bitCount = get16(b, at + 6);
    return image;
}

bool isImage(const std::vector<uint8_t>& data) {
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() >= 8 && std::memcmp(data.data(), png, 8) == 0) return true;
    return data.size() >= 40 && get32(data, 0) == 40;  // BITMAPINFOHEADER
}

}  // namespace

std::vector<IconImage> readIconFile(const std::vector<uint8_t>& bytes, const std::string& where) {
    auto fail = [&](const std::string& what) { return PackError(where + ": not an icon file (.ico): " + what); };
    if (bytes.size() < kDirectorySize || get16(bytes, 0) != 0) throw fail("no icon directory at its start");
    if (get16(bytes, 2) == 2) throw fail("a cursor file");
    if (get16(bytes, 2) != 1) throw fail("no icon directory at its start");
    size_t count = get16(bytes, 4);
    if (count == 0) throw fail("it holds no image");
    if (bytes.size() < kDirectorySize + kFileEntrySize * count) throw fail("its directory is cut short");
    std::vector<IconImage> images;
    for (size_t i = 0; i < count; ++i) {
        size_t at = kDirectorySize + kFileEntrySize * i;
        IconImage image = entryHead(bytes, at);
        uint32_t size = get32(bytes, at + 8), offset = get32(bytes, at + 12);
        std::string which = "image " + std::to_string(i + 1);
        if (size == 0 || offset > bytes.size() || size > bytes.size() - offset)
            throw fail(which + " lies outside the file");
        image.data.assign(bytes.begin() + offset, bytes.begin() + offset + size);
        if (!isImage(image.data)) throw fail(which + " is neither a bitmap nor a PNG image");
        images.push_back(std::move(image));
    }
    return images;
}

std::vector<uint8_t> iconFileBytes(const std::vector<IconImage>& images) {
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<uint16_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(kDirectorySize + kFileEntrySize * images.size());
    for (const IconImage& image : images) {
        putEntryHead(out, image);
        put32(out, offset);
        offset += static_cast<uint32_t>(image.data.size());
    }
    for (const IconImage& image : images) out.insert(out.end(), image.data.begin(), image.data.end());
    return out;
}

std::vector<uint8_t> iconGroupBytes(const std::vector<IconImage>& images, uint16_t firstId) {
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<uint16_t>(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        putEntryHead(out, images[i]);
        put16(out, static_cast<uint16_t>(firstId + i));
    }
    return out;
}

std::optional<std::vector<std::pair<uint16_t, IconImage>>> readIconGroup(const std::vector<uint8_t>& group) {
    if (group.size() < kDirectorySize || get16(group, 0) != 0 || get16(group, 2) != 1) return std::nullopt;
    size_t count = get16(group, 4);
    if (group.size() < kDirectorySize + kGroupEntrySize * count) return std::nullopt;
    std::vector<std::pair<uint16_t, IconImage>> out;
    for (size_t i = 0; i < count; ++i) {
        size_t at = kDirectorySize + kGroupEntrySize * i;
        out.emplace_back(get16(group, at + 12), entryHead(group, at));
    }
    return out;
}
