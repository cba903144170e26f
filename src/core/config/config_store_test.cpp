#include "core/config/config_store.h"

#include <gtest/gtest.h>

#include <vector>

#include "host.h"

namespace {

class ConfigStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        configStore() = ConfigStore();
        resetHost();
    }
    static void base(ConfigId id, const std::string& value) { configStore().base[id] = value; }
};

TEST_F(ConfigStoreTest, GetIntParsesLikeAtoi) {
    base(1, "  42abc");
    base(2, "-7");
    base(3, "abc");
    base(4, "+15");
    base(5, "");
    base(6, "99999999999999");
    base(7, "-99999999999999");
    EXPECT_EQ(getInt(1), 42);
    EXPECT_EQ(getInt(2), -7);
    EXPECT_EQ(getInt(3), 0);
    EXPECT_EQ(getInt(4), 15);
    EXPECT_EQ(getInt(5), 0);
    EXPECT_EQ(getInt(6), 2147483647);
    EXPECT_EQ(getInt(7), -2147483647 - 1);
    EXPECT_EQ(getInt(999), 0);
}

TEST_F(ConfigStoreTest, GetIntReadsOnlyTheFirst5999Characters) {
    base(1, std::string(5999, '1') + "9");
    resetHost();
    getInt(1);
    ASSERT_EQ(hostLog().size(), 1u);
    EXPECT_EQ(hostLog()[0], L"ERROR: config string 1 truncated (6000 6000)");
}

TEST_F(ConfigStoreTest, CopyStringTruncatesAndLogs) {
    base(2001, "abcdefghij");
    char buffer[2];
    EXPECT_TRUE(copyString(2001, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "a");
    ASSERT_EQ(hostLog().size(), 1u);
    EXPECT_EQ(hostLog()[0], L"ERROR: config string 2001 truncated (2 10)");

    resetHost();
    char exact[11];
    EXPECT_FALSE(copyString(2001, exact, sizeof exact));
    EXPECT_STREQ(exact, "abcdefghij");
    EXPECT_TRUE(hostLog().empty());

    char absent[4] = "xyz";
    EXPECT_FALSE(copyString(77, absent, sizeof absent));
    EXPECT_STREQ(absent, "");
}

TEST_F(ConfigStoreTest, WideningMapsBytesToUnitsOfTheSameValue) {
    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b) high.push_back(static_cast<char>(b));
    base(1, high);
    std::wstring wide;
    getWideString(1, wide);
    ASSERT_EQ(wide.size(), 0x80u);
    for (int b = 0x80; b <= 0xFF; ++b) EXPECT_EQ(static_cast<unsigned>(wide[b - 0x80]), static_cast<unsigned>(b));

    base(2, "\xE9t\xE9");
    wchar_t buffer[10];
    copyWideString(2, buffer, 10);
    EXPECT_EQ(std::wstring(buffer), std::wstring(L"\u00e9t\u00e9"));

    std::wstring untouched = L"keep";
    getWideString(3, untouched);
    EXPECT_EQ(untouched, L"keep");
}

TEST_F(ConfigStoreTest, CopyWideStringNeverWritesPastTheBuffer) {
    base(149, "abcdef");
    wchar_t buffer[4] = {L'x', L'x', L'x', L'x'};
    copyWideString(149, buffer, 3);
    EXPECT_EQ(std::wstring(buffer), L"ab");
    EXPECT_EQ(buffer[3], L'x');
}

TEST_F(ConfigStoreTest, GetMessagePrefersTheWideTable) {
    configStore().wide[1016] = L"No Java found ({0})";
    base(1016, "base text");
    base(1017, "only base \xE9");
    EXPECT_EQ(getMessage(1016), L"No Java found ({0})");
    EXPECT_EQ(getMessage(1017), L"only base \u00e9");
    EXPECT_EQ(getMessage(1018), L"");
    configStore().wide[1019] = L"";
    base(1019, "fallback");
    EXPECT_EQ(getMessage(1019), L"fallback");
}

TEST_F(ConfigStoreTest, LocalizedCopyIsBoundedBy6000) {
    configStore().wide[20017] = std::wstring(7000, L'd');
    std::wstring buffer(kTextBufferSize + 1, L'#');
    copyLocalizedString(20017, &buffer[0]);
    EXPECT_EQ(std::wstring(buffer.c_str()).size(), kTextBufferSize - 1);
    EXPECT_EQ(buffer[kTextBufferSize], L'#');
}

TEST_F(ConfigStoreTest, DupStringOfAbsentEntryIsEmpty) {
    base(10003, "app");
    EXPECT_EQ(dupString(10003), "app");
    EXPECT_EQ(dupString(10004), "");
}

}  // namespace

namespace {

// Every 6000-character reader, with an entry that just fits and one that
// does not: the buffers are exactly 6000 long, so a write past them is an
// AddressSanitizer report in the sanitizer tree.
class TextBufferLimitTest : public ConfigStoreTest {};

TEST_F(TextBufferLimitTest, NarrowCopiesTakeAtMost5999Characters) {
    base(1, std::string(5999, 'a'));
    base(2, std::string(6000, 'b'));
    std::vector<char> buffer(kTextBufferSize);
    EXPECT_FALSE(copyString(1, buffer.data(), buffer.size()));
    EXPECT_EQ(std::string(buffer.data()), std::string(5999, 'a'));
    EXPECT_TRUE(hostLog().empty());
    EXPECT_TRUE(copyString(2, buffer.data(), buffer.size()));
    EXPECT_EQ(std::string(buffer.data()), std::string(5999, 'b'));
    ASSERT_EQ(hostLog().size(), 1u);
    EXPECT_EQ(hostLog()[0], L"ERROR: config string 2 truncated (6000 6000)");

    // The 2000-byte readers (version bounds, splash texts) take 1999.
    base(5, std::string(1999, 'v'));
    base(6, std::string(2000, 'w'));
    std::vector<char> small(2000);
    EXPECT_FALSE(copyString(5, small.data(), small.size()));
    EXPECT_EQ(std::string(small.data()), std::string(1999, 'v'));
    EXPECT_TRUE(copyString(6, small.data(), small.size()));
    EXPECT_EQ(std::string(small.data()), std::string(1999, 'w'));
    EXPECT_EQ(hostLog().back(), L"ERROR: config string 6 truncated (2000 2000)");

    // getInt reads through the same buffer.
    base(3, std::string(5998, '0') + "7");
    base(4, std::string(5999, '0') + "7");
    EXPECT_EQ(getInt(3), 7);
    EXPECT_EQ(getInt(4), 0);
}

TEST_F(TextBufferLimitTest, WideCopiesAndMessagesTakeAtMost5999Characters) {
    base(1, std::string(5999, 'a'));
    base(2, std::string(6000, 'b'));
    configStore().wide[1000] = std::wstring(5999, L'm');
    configStore().wide[1005] = std::wstring(6000, L'n');
    std::vector<wchar_t> buffer(kTextBufferSize);

    EXPECT_FALSE(copyWideString(1, buffer.data(), buffer.size()));
    EXPECT_EQ(std::wstring(buffer.data()), std::wstring(5999, L'a'));
    EXPECT_TRUE(copyWideString(2, buffer.data(), buffer.size()));
    EXPECT_EQ(std::wstring(buffer.data()), std::wstring(5999, L'b'));

    copyLocalizedString(1000, buffer.data());
    EXPECT_EQ(std::wstring(buffer.data()), std::wstring(5999, L'm'));
    copyLocalizedString(1005, buffer.data());
    EXPECT_EQ(std::wstring(buffer.data()), std::wstring(5999, L'n'));

    getMessage(1005, buffer.data());
    EXPECT_EQ(std::wstring(buffer.data()), std::wstring(5999, L'n'));
    // A message missing from the wide table falls back to the widened base entry.
    getMessage(2, buffer.data());
    EXPECT_EQ(std::wstring(buffer.data()), std::wstring(5999, L'b'));
    EXPECT_EQ(getMessage(1000), std::wstring(5999, L'm'));
    EXPECT_EQ(getMessage(1005), std::wstring(5999, L'n'));
    for (const std::wstring& line : hostLog()) EXPECT_EQ(line.rfind(L"ERROR: config string ", 0), 0u) << line;
}

}  // namespace
