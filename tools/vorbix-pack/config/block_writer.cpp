#include "config/block_writer.h"

#include "base/tool_version.h"
#include "core/config/config_format.h"

namespace {

void putInt32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void putString(std::vector<uint8_t>& out, const std::string& text) {
    putInt32(out, static_cast<uint32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

// The length is in bytes: always even.
void putWString(std::vector<uint8_t>& out, const std::u16string& text) {
    putInt32(out, static_cast<uint32_t>(2 * text.size()));
    for (char16_t unit : text) {
        out.push_back(static_cast<uint8_t>(unit & 0xFF));
        out.push_back(static_cast<uint8_t>(unit >> 8));
    }
}

void putWideRecords(std::vector<uint8_t>& out, const std::vector<WideRecord>& records) {
    putInt32(out, static_cast<uint32_t>(records.size()));
    for (const auto& [id, text] : records) {
        putInt32(out, static_cast<uint32_t>(id));
        putWString(out, text);
    }
}

}  // namespace

std::vector<uint8_t> serializeBlock(const ConfigBlock& block) {
    std::vector<uint8_t> out;
    // The header values, which the launcher skips, name the tool's release.
    auto version = toolVersionParts();
    putInt32(out, kConfigMagic);
    putInt32(out, static_cast<uint32_t>(version[0]));
    putInt32(out, static_cast<uint32_t>(version[1]));
    putInt32(out, static_cast<uint32_t>(version[2]));  // the 64-bit header value, low and high half
    putInt32(out, 0);
    putInt32(out, static_cast<uint32_t>(block.base.size()));
    for (const auto& [id, text] : block.base) {
        putInt32(out, static_cast<uint32_t>(id));
        putString(out, text);
    }
    putWideRecords(out, block.wide);
    putInt32(out, static_cast<uint32_t>(block.sections.size()));
    for (const LocaleSection& section : block.sections) {
        putString(out, section.prefix);
        putWideRecords(out, section.records);
    }
    return out;
}
