#include <gtest/gtest.h>

#include <string>

#include "launch/memory_size.h"
#include "launch/wildcard_match.h"

TEST(WildcardMatch, VersionConditions) {
    EXPECT_TRUE(wildcardMatch("1.8*", "1.8.0_301"));
    EXPECT_TRUE(wildcardMatch("*1.8*", "1.8.0_301"));
    EXPECT_TRUE(wildcardMatch("1.8.0_*", "1.8.0_301"));
    EXPECT_FALSE(wildcardMatch("11*", "1.8.0_301"));
    EXPECT_FALSE(wildcardMatch("1.8", "1.8.0_301"));  // the whole text must match
    EXPECT_TRUE(wildcardMatch("1.?.0_301", "1.8.0_301"));
    EXPECT_FALSE(wildcardMatch("1.?.0_301", "1.80_301"));
}

TEST(WildcardMatch, StarsAndEmptyTexts) {
    EXPECT_TRUE(wildcardMatch("", ""));
    EXPECT_TRUE(wildcardMatch("***", ""));
    EXPECT_FALSE(wildcardMatch("?", ""));
    EXPECT_FALSE(wildcardMatch("", "x"));
    EXPECT_TRUE(wildcardMatch("*", "anything"));
    EXPECT_TRUE(wildcardMatch("a*b*c", "a-b-b-c"));
    EXPECT_FALSE(wildcardMatch("a*b*c", "a-b-b-"));
    EXPECT_TRUE(wildcardMatch("*_301", "1.8.0_301"));
    EXPECT_FALSE(wildcardMatch("*_301", "1.8.0_3011"));
    EXPECT_FALSE(wildcardMatch("A*", "a"));  // case-sensitive
    // Backtracking past an earlier partial match.
    EXPECT_TRUE(wildcardMatch("*aab", "aaab"));
    EXPECT_TRUE(wildcardMatch("*a*a*a*a*a*a*a*a*b", std::string(200, 'a').append("b").c_str()));
    EXPECT_FALSE(wildcardMatch("*a*a*a*a*a*a*a*a*b", std::string(200, 'a').c_str()));
}

TEST(ParseMemorySize, UnitsAndInvalidTexts) {
    EXPECT_EQ(parseMemorySize("512k"), 524288);
    EXPECT_EQ(parseMemorySize("1K"), 1024);
    EXPECT_EQ(parseMemorySize("2m"), 2097152);
    EXPECT_EQ(parseMemorySize("4g"), 4294967296LL);
    EXPECT_EQ(parseMemorySize("1T"), 1099511627776LL);
    EXPECT_EQ(parseMemorySize("65536"), 65536);
    EXPECT_EQ(parseMemorySize("12kb"), -1);
    EXPECT_EQ(parseMemorySize(""), -1);
    EXPECT_EQ(parseMemorySize("k"), -1);
    EXPECT_EQ(parseMemorySize("10x"), -1);
    // Wraps in 64 bits instead of overflowing.
    EXPECT_EQ(parseMemorySize("16777216t"), 0);
}

TEST(ParseMemorySize, SignsAreScannedButNotSkipped) {
    // The number is scanned with its sign, but the unit is looked for right
    // at the start of the text, so a sign leaves a character that is no unit.
    EXPECT_EQ(parseMemorySize("-1"), -1);
    EXPECT_EQ(parseMemorySize("+5"), -1);
    EXPECT_EQ(parseMemorySize(" 5"), -1);
}

TEST(ParseMemorySize, NumbersBeyondSixtyFourBitsSaturate) {
    EXPECT_EQ(parseMemorySize("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(parseMemorySize("9223372036854775808"), INT64_MAX);
    EXPECT_EQ(parseMemorySize("99999999999999999999999999"), INT64_MAX);
    // The saturated number is then multiplied, wrapping as any other.
    EXPECT_EQ(parseMemorySize("99999999999999999999k"), static_cast<int64_t>(static_cast<uint64_t>(INT64_MAX) * 1024));
}
