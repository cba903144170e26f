// Shared by the vorbix-pack unit tests: a scratch directory and file helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "block_builder.h"
#include "config/block_writer.h"
#include "core/config/config_reader.h"
#include "core/config/config_store.h"
#include "host.h"

class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "vbxpack-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        configStore() = ConfigStore();
        resetHost();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::filesystem::path write(const std::string& name, const std::string& content) const {
        std::filesystem::path path = dir / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    static std::string read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Everything in the directory, to see that nothing half-written is left.
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::filesystem::path dir;
};

// A stub image whose last section ends at 0x600.
inline std::vector<uint8_t> stubImage() {
    auto image = makePe({{0x400, 0x200}});
    image.resize(0x600, 0xCC);
    return image;
}

// Loads a block the way the launcher does: both loads over the image.
inline void loadLikeTheLauncher(const std::vector<uint8_t>& image, const std::string& locale) {
    configStore() = ConfigStore();
    MemoryByteSource first(image.data(), image.size());
    readBaseEntries(first);
    MemoryByteSource second(image.data(), image.size());
    readLocalizedEntries(second, [&] { return locale; });
}

inline void loadLikeTheLauncher(const ConfigBlock& block, const std::string& locale) {
    loadLikeTheLauncher(withBlockAt(stubImage(), 0x600, serializeBlock(block)), locale);
}
