// Icons: an .ico file's images as the icon resources of an executable (one
// RT_ICON per image and the RT_GROUP_ICON directory naming them), and the
// .ico file again from those resources.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct IconImage {
    uint8_t width = 0, height = 0, colorCount = 0, reserved = 0;
    uint16_t planes = 0, bitCount = 0;
    std::vector<uint8_t> data;  // a BMP-style DIB or a PNG
    bool operator==(const IconImage& o) const {
        return width == o.width && height == o.height && colorCount == o.colorCount && reserved == o.reserved &&
               planes == o.planes && bitCount == o.bitCount && data == o.data;
    }
};

// The images of an .ico file; PackError naming `where` for anything else.
std::vector<IconImage> readIconFile(const std::vector<uint8_t>& bytes, const std::string& where);

// An .ico file holding the images (directory, then the images in order).
std::vector<uint8_t> iconFileBytes(const std::vector<IconImage>& images);

// The group directory naming the images by the ids firstId, firstId + 1, ...
std::vector<uint8_t> iconGroupBytes(const std::vector<IconImage>& images, uint16_t firstId);

// The ids that a group directory names, with their images' header fields
// (data left empty); nullopt for bytes that are no group directory.
std::optional<std::vector<std::pair<uint16_t, IconImage>>> readIconGroup(const std::vector<uint8_t>& group);
