#include "jvmsearch/pe_machine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host.h"

namespace {

std::string writeTemp(const std::string& name, const std::string& bytes) {
    std::string path = ::testing::TempDir() + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

// A minimal image: "MZ", the header offset at 60, "PE\0\0" and the machine.
std::string image(uint16_t machine, uint32_t headerOffset = 64) {
    std::string bytes(headerOffset + 6, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i) bytes[60 + i] = static_cast<char>((headerOffset >> (8 * i)) & 0xff);
    bytes.replace(headerOffset, 4, std::string("PE\0\0", 4));
    bytes[headerOffset + 4] = static_cast<char>(machine & 0xff);
    bytes[headerOffset + 5] = static_cast<char>(machine >> 8);
    return bytes;
}

}  // namespace

TEST(ReadPeMachine, ReadsTheMachineField) {
    EXPECT_EQ(readPeMachine(writeTemp("x86.exe", image(332))), 332);
    EXPECT_EQ(readPeMachine(writeTemp("x64.exe", image(0x8664, 0x80))), 0x8664);
}

TEST(ReadPeMachine, EachDefectGivesZeroWithItsOwnLine) {
    std::string good = image(332);
    struct Case {
        std::string bytes;
        const wchar_t* line;
    } cases[] = {
        {"ZM" + good.substr(2), L"no PE32 file "},
        {good.substr(0, 62), L"no PE32 file 3 "},
        {good.substr(0, 66), L"no PE32 file 5 "},
        {[&] { std::string b = good; b[64] = 'N'; return b; }(), L"no PE32 file 5 "},
        {good.substr(0, 69), L"no PE32 file 6 "},
    };
    int n = 0;
    for (const auto& c : cases) {
        resetHost();
        std::string path = writeTemp("bad" + std::to_string(n++) + ".exe", c.bytes);
        EXPECT_EQ(readPeMachine(path), 0) << n;
        ASSERT_FALSE(hostLog().empty());
        EXPECT_EQ(hostLog().back(), std::wstring(c.line) + std::wstring(path.begin(), path.end())) << n;
    }
    resetHost();
    EXPECT_EQ(readPeMachine(::testing::TempDir() + "missing.exe"), 0);
    EXPECT_EQ(hostLog().back().rfind(L"could not open ", 0), 0u);
}
