#include "core/format.h"

#include <gtest/gtest.h>

TEST(FormatWide, StringConversionsFollowTheLauncherConvention) {
    EXPECT_EQ(formatWide(L"[%s|%S]", L"wide", "narrow"), L"[wide|narrow]");
    EXPECT_EQ(formatWide(L"%ls %hs", L"w", "n"), L"w n");
    EXPECT_EQ(formatWide(L"%S", "\xE9"), L"\u00e9");
    EXPECT_EQ(formatWide(L"%s %S", static_cast<const wchar_t*>(nullptr), static_cast<const char*>(nullptr)),
              L"(null) (null)");
    EXPECT_EQ(formatWide(L"%.*S|", 3, "abcdef"), L"abc|");
    EXPECT_EQ(formatWide(L"%c%C", L'x', 'y'), L"xy");
}

TEST(FormatNarrow, StringConversionsAreReversed) {
    EXPECT_EQ(formatNarrow("[%s|%S]", "narrow", L"wide"), "[narrow|wide]");
    EXPECT_EQ(formatNarrow("%S", L"\u00e9\u4e2d"), "\xE9?");
    EXPECT_EQ(formatNarrow("Installed service '%S'.\n", L"svc"), "Installed service 'svc'.\n");
}

TEST(FormatWide, Integers) {
    EXPECT_EQ(formatWide(L"[%d:%d] ", 3, 25), L"[3:25] ");
    EXPECT_EQ(formatWide(L"%d %i %u", -5, 7, 4000000000u), L"-5 7 4000000000");
    EXPECT_EQ(formatWide(L"%I64d %lld", static_cast<long long>(-9000000000LL), 123456789012LL),
              L"-9000000000 123456789012");
    EXPECT_EQ(formatWide(L"%x %X %#x %o", 255u, 255u, 255u, 8u), L"ff FF 0xff 10");
    EXPECT_EQ(formatWide(L"%5d|%-5d|%05d", 42, 42, 42), L"   42|42   |00042");
    EXPECT_EQ(formatWide(L"%d", -2147483647 - 1), L"-2147483648");
    EXPECT_EQ(formatWide(L"%I64d", static_cast<long long>(-9223372036854775807LL - 1)), L"-9223372036854775808");
}

TEST(FormatWide, PointersPercentAndOddSpecs) {
    std::wstring p = formatWide(L"%p", reinterpret_cast<void*>(0xABC));
    EXPECT_EQ(p.size(), 2 * sizeof(void*));
    EXPECT_EQ(p.substr(p.size() - 3), L"ABC");
    EXPECT_EQ(formatWide(L"100%%"), L"100%");
    EXPECT_EQ(formatWide(L"%"), L"%");
    EXPECT_EQ(formatWide(L"%q"), L"%q");
    int ignored = 0;
    EXPECT_EQ(formatWide(L"a%nb", &ignored), L"ab");
    EXPECT_EQ(ignored, 0);
}

TEST(WidenAndNarrow, ByteValues) {
    EXPECT_EQ(widenBytes(std::string("a\xFF", 2)), std::wstring(L"a\u00ff"));
    EXPECT_EQ(narrowBytes(L"a\u00ff\u0100"), "a\xFF?");
}
