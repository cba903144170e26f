#include "support/locale_table.h"

#include <gtest/gtest.h>

#include <string>

TEST(LocaleTable, HasEveryEntry) { EXPECT_EQ(localeTableSize(), 215u); }

TEST(LocaleTable, ExactEntries) {
    EXPECT_STREQ(localeForLanguageId(0x0409), "en_US");
    EXPECT_STREQ(localeForLanguageId(0x0C0A), "es_ES");
    EXPECT_STREQ(localeForLanguageId(0x2409), "en");
    EXPECT_STREQ(localeForLanguageId(0x1809), "en_IE");
    EXPECT_STREQ(localeForLanguageId(0x0807), "de_CH");
    EXPECT_STREQ(localeForLanguageId(0x0814), "no_NO_NY");
    EXPECT_STREQ(localeForLanguageId(0x040D), "iw_IL");
    EXPECT_STREQ(localeForLanguageId(0x0421), "in_ID");
    EXPECT_STREQ(localeForLanguageId(0x041A), "hr_HR");
    EXPECT_STREQ(localeForLanguageId(0x081A), "sr_CS");
    EXPECT_STREQ(localeForLanguageId(0x0C1A), "sr_CS");
    EXPECT_STREQ(localeForLanguageId(0x0431), "ts");
    EXPECT_STREQ(localeForLanguageId(0x500A), "es_PR");
}

TEST(LocaleTable, FallsBackToThePrimaryLanguageThenEnglish) {
    EXPECT_STREQ(localeForLanguageId(0x4009), "en");   // not listed, primary 0x09
    EXPECT_STREQ(localeForLanguageId(0x241A), "sr");   // Serbian Latin (Serbia) -> primary 0x1A
    EXPECT_STREQ(localeForLanguageId(0x0428), "en");   // primary 0x28 has no entry at all
    EXPECT_STREQ(localeForLanguageId(0x0000), "en");
    // A full id whose low bits name no primary entry of its own.
    EXPECT_STREQ(localeForLanguageId(0x0C07), "de_AT");
    EXPECT_STREQ(localeForLanguageId(0x2007), "de");
}

TEST(LocaleTable, BarePrimaryIdsMatchOnlyPrimaryEntries) {
    for (unsigned id = 1; id <= 0x56; ++id) {
        std::string locale = localeForLanguageId(static_cast<uint16_t>(id));
        EXPECT_LE(locale.size(), 2u) << std::hex << id;
    }
}
