#include "core/config/config_reader.h"

#include <gtest/gtest.h>

#include "block_builder.h"
#include "core/config/config_store.h"
#include "host.h"

namespace {

class ConfigReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        configStore() = ConfigStore();
        resetHost();
    }

    static std::wstring fatalTextOf(const std::vector<uint8_t>& image) {
        MemoryByteSource source(image.data(), image.size());
        try {
            readBaseEntries(source);
            MemoryByteSource again(image.data(), image.size());
            readLocalizedEntries(again, [] { return std::string("en"); });
        } catch (const FatalErrorThrown& e) {
            return e.text;
        }
        return L"";
    }
};

std::string fixedLocale;
std::string detect() { return fixedLocale; }

void loadBoth(const std::vector<uint8_t>& image, const std::string& locale) {
    fixedLocale = locale;
    MemoryByteSource first(image.data(), image.size());
    readBaseEntries(first);
    MemoryByteSource second(image.data(), image.size());
    readLocalizedEntries(second, detect);
}

TEST_F(ConfigReaderTest, LastSectionHeaderDecidesWhereTheBlockStarts) {
    // The first listed section lies later in the file than the last listed one.
    auto pe = makePe({{0x1000, 0x400}, {0x600, 0x200}});
    auto image = withBlockAt(pe, 0x800, makeBlock({{101, "svc"}}));
    MemoryByteSource source(image.data(), image.size());
    seekConfigBlock(source);
    EXPECT_EQ(source.position(), 0x800);
    loadBoth(image, "en");
    std::string name;
    getString(101, name);
    EXPECT_EQ(name, "svc");
}

TEST_F(ConfigReaderTest, PayloadPositionIsBehindTheLocaleSections) {
    auto block = makeBlock({{101, "svc"}}, {{1000, u"T"}}, {{"de", {{1000, u"Titel"}}}});
    auto pe = makePe({{0x400, 0x200}});
    auto image = withBlockAt(pe, 0x600, block);
    image.push_back(0x42);  // the file table would start here
    loadBoth(image, "en");
    EXPECT_EQ(payloadPosition(), static_cast<int32_t>(0x600 + block.size()));
}

TEST_F(ConfigReaderTest, RepeatedIdsKeepTheLastRecord) {
    auto image = withBlockAt(makePe({{0x400, 0x200}}), 0x600,
                             makeBlock({{101, "first"}, {101, "second"}}, {{1000, u"a"}, {1000, u"b"}}));
    loadBoth(image, "en");
    std::string name;
    getString(101, name);
    EXPECT_EQ(name, "second");
    EXPECT_EQ(getMessage(1000), L"b");
}

TEST_F(ConfigReaderTest, EmptyTablesGiveAnEmptyStore) {
    auto image = withBlockAt(makePe({{0x400, 0x200}}), 0x600, makeBlock({}));
    loadBoth(image, "en");
    EXPECT_TRUE(configStore().base.empty());
    EXPECT_TRUE(configStore().wide.empty());
    EXPECT_EQ(getInt(107), 0);
    std::string untouched = "keep";
    getString(101, untouched);
    EXPECT_EQ(untouched, "keep");
    EXPECT_EQ(getMessage(1000), L"");
}

TEST_F(ConfigReaderTest, LocaleSectionsApplyInFileOrder) {
    auto block = makeBlock({}, {{1, u"base1"}, {2, u"base2"}, {3, u"base3"}},
                           {{"de", {{1, u"de1"}, {2, u"de2"}}},
                            {"fr", {{1, u"fr1"}, {3, u"fr3"}}},
                            {"de_CH", {{2, u"ch2"}}},
                            {"", {{4, u"any4"}}}});
    auto image = withBlockAt(makePe({{0x400, 0x200}}), 0x600, block);
    loadBoth(image, "de_CH");
    EXPECT_EQ(getMessage(1), L"de1");
    EXPECT_EQ(getMessage(2), L"ch2");
    EXPECT_EQ(getMessage(3), L"base3");
    EXPECT_EQ(getMessage(4), L"any4");
    EXPECT_EQ(languageCode(), "de");
    EXPECT_EQ(countryCode(), "CH");
}

TEST_F(ConfigReaderTest, LocaleCodesFollowTheLocaleLength) {
    auto image = withBlockAt(makePe({{0x400, 0x200}}), 0x600, makeBlock({}));
    loadBoth(image, "en");
    EXPECT_EQ(languageCode(), "en");
    EXPECT_EQ(countryCode(), "");
    configStore() = ConfigStore();
    loadBoth(image, "no_N");  // four characters: language only
    EXPECT_EQ(languageCode(), "no");
    EXPECT_EQ(countryCode(), "");
    configStore() = ConfigStore();
    loadBoth(image, "no_NO_NY");
    EXPECT_EQ(languageCode(), "no");
    EXPECT_EQ(countryCode(), "");
}

TEST(LocaleSectionMatch, PrefixRules) {
    EXPECT_TRUE(localeSectionMatches("", "de_CH"));
    EXPECT_TRUE(localeSectionMatches("de", "de_CH"));
    EXPECT_TRUE(localeSectionMatches("de_CH", "de_CH"));
    EXPECT_FALSE(localeSectionMatches("de_CH_x", "de_CH"));
    EXPECT_FALSE(localeSectionMatches("DE", "de_CH"));
    EXPECT_FALSE(localeSectionMatches("fr", "de_CH"));
}

TEST_F(ConfigReaderTest, WrongMagicAndMissingBlock) {
    auto pe = makePe({{0x400, 0x200}});
    EXPECT_EQ(fatalTextOf(withBlockAt(pe, 0x600, {1, 2, 3, 4, 5, 6, 7, 8})), L"Internal Error: magic");
    // No block at all: nothing behind the last section.
    EXPECT_EQ(fatalTextOf(withBlockAt(pe, 0x600, {})), L"Internal Error: magic");
}

TEST_F(ConfigReaderTest, TruncatedBlocksNameTheReader) {
    auto block = makeBlock({{101, "service"}}, {{1000, u"Title"}}, {{"de", {{1000, u"Titel"}}}});
    auto pe = makePe({{0x400, 0x200}});
    const size_t header = 20;
    struct Case {
        size_t keep;
        const wchar_t* text;
    } cases[] = {
        {2, L"Internal Error: readInt"},                         // inside the magic
        {header - 4, L"Internal Error: readLong"},               // third header value
        {header + 2, L"Internal Error: readInt"},                // base count
        {header + 4 + 4 + 4 + 3, L"Internal Error: readString"}, // inside "service"
        {block.size() - 3, L"Internal Error: readWString"},      // inside "Titel"
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> cut(block.begin(), block.begin() + static_cast<long>(c.keep));
        configStore() = ConfigStore();
        EXPECT_EQ(fatalTextOf(withBlockAt(pe, 0x600, cut)), c.text) << "kept " << c.keep;
    }
}

TEST_F(ConfigReaderTest, ImpossibleLengthsAreReaderFailuresNotAllocations) {
    auto pe = makePe({{0x400, 0x200}});
    BlockBuilder negative;
    negative.header().int32(1).int32(101).int32(-1);
    EXPECT_EQ(fatalTextOf(withBlockAt(pe, 0x600, negative.bytes)), L"Internal Error: readString");

    BlockBuilder huge;
    huge.header().int32(1).int32(101).int32(0x7FFFFFFF).int32(0);
    EXPECT_EQ(fatalTextOf(withBlockAt(pe, 0x600, huge.bytes)), L"Internal Error: readString");

    BlockBuilder wideHuge;
    wideHuge.header().int32(0).int32(1).int32(1000).int32(0x40000000);
    EXPECT_EQ(fatalTextOf(withBlockAt(pe, 0x600, wideHuge.bytes)), L"Internal Error: readWString");

    BlockBuilder sectionPrefix;
    sectionPrefix.header().int32(0).int32(0).int32(1).int32(-100);
    EXPECT_EQ(fatalTextOf(withBlockAt(pe, 0x600, sectionPrefix.bytes)), L"Internal Error: readString");
}

TEST_F(ConfigReaderTest, CorruptPeHeaderFailsCleanly) {
    std::vector<uint8_t> image(0x100, 0);
    image[0x3C] = 0xF0;  // signature offset far outside the file
    image[0x3D] = 0xFF;
    image[0x3E] = 0xFF;
    image[0x3F] = 0x7F;
    EXPECT_EQ(fatalTextOf(image), L"Internal Error: readShort");
    // A negative signature offset.
    image[0x3F] = 0xFF;
    EXPECT_EQ(fatalTextOf(image), L"Internal Error: readShort");
}

TEST_F(ConfigReaderTest, OddWideLengthDropsTheLastByte) {
    BlockBuilder b;
    b.header().int32(0).int32(1).int32(1000).int32(3);
    b.bytes.push_back('A');
    b.bytes.push_back(0);
    b.bytes.push_back('B');
    b.int32(0);
    auto image = withBlockAt(makePe({{0x400, 0x200}}), 0x600, b.bytes);
    loadBoth(image, "en");
    EXPECT_EQ(getMessage(1000), L"A");
}

}  // namespace
