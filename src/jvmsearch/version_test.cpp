#include "jvmsearch/version.h"

#include <gtest/gtest.h>

#include "core/config/config_ids.h"
#include "core/config/config_store.h"
#include "host.h"

namespace {

bool accepts(const char* version, const char* min, const char* max, bool allowBeta = false) {
    return isVersionAcceptable(version, parseVersion(min), parseVersion(max), allowBeta);
}

bool logged(const std::wstring& line) {
    for (const auto& entry : hostLog())
        if (entry == line) return true;
    return false;
}

class VersionPolicy : public ::testing::Test {
protected:
    void SetUp() override {
        resetHost();
        configStore().base.erase(cfg::kAllowBetaJava);
    }
    void TearDown() override { configStore().base.erase(cfg::kAllowBetaJava); }
};

}  // namespace

TEST(ParseVersion, SplitsAtEverySeparatorAndReadsLeadingDigits) {
    EXPECT_EQ(parseVersion("1.8.0_291"), (VersionVector{1, 8, 0, 291}));
    EXPECT_EQ(parseVersion("11.0.2+9"), (VersionVector{11, 0, 2, 9}));
    EXPECT_EQ(parseVersion("17-ea"), (VersionVector{17, 0}));
    EXPECT_EQ(parseVersion("zulu-8"), (VersionVector{0, 8}));
    EXPECT_EQ(parseVersion("1..8__0-+2"), (VersionVector{1, 8, 0, 2}));
    EXPECT_EQ(parseVersion(".1."), (VersionVector{1}));
    EXPECT_EQ(parseVersion("  12.4x"), (VersionVector{12, 4}));
    EXPECT_EQ(parseVersion(" -3"), (VersionVector{0, 3}));  // the sign is a separator here
    EXPECT_EQ(parseVersion("99999999999"), (VersionVector{2147483647}));
    EXPECT_TRUE(parseVersion("").empty());
    EXPECT_TRUE(parseVersion(static_cast<const char*>(nullptr)).empty());
}

TEST(CompareWithBound, InclusiveAtTheBoundsPrecision) {
    VersionVector v18 = parseVersion("1.8");
    EXPECT_TRUE(compareWithBound(v18, parseVersion("1.8.0_291"), false, false));
    EXPECT_TRUE(compareWithBound(v18, parseVersion("1.8.0_291"), true, false));
    EXPECT_FALSE(compareWithBound(v18, parseVersion("9"), true, false));
    EXPECT_TRUE(compareWithBound(v18, parseVersion("9"), false, false));
    EXPECT_FALSE(compareWithBound(v18, parseVersion("1.7.0_80"), false, false));
    EXPECT_TRUE(compareWithBound({}, parseVersion("1.2"), true, false));
    EXPECT_TRUE(compareWithBound({}, {}, false, false));
}

TEST(CompareWithBound, MissingComponentsCountAsZeroUnlessPrefixOnly) {
    VersionVector min = parseVersion("1.8.0_200");
    EXPECT_FALSE(compareWithBound(min, parseVersion("1.8"), false, false));
    EXPECT_TRUE(compareWithBound(min, parseVersion("1.8"), false, true));
    EXPECT_FALSE(compareWithBound(min, parseVersion("1.7"), false, true));
    EXPECT_TRUE(compareWithBound(parseVersion("11.0.0"), parseVersion("11"), true, false));
}

TEST(VersionMatchesPrefix, RegistryKeyNames) {
    EXPECT_TRUE(versionMatchesPrefix("1.8", parseVersion("1.8.0_200"), {}));
    EXPECT_FALSE(versionMatchesPrefix("8", {}, parseVersion("1.8")));
    EXPECT_TRUE(versionMatchesPrefix("8", parseVersion("1.8"), {}));
    EXPECT_TRUE(versionMatchesPrefix("17", parseVersion("11"), parseVersion("17.0.2")));
    EXPECT_FALSE(versionMatchesPrefix("17.0.3", parseVersion("11"), parseVersion("17.0.2")));
}

TEST(IsNewerVersion, StrictOrderWithLongerPrefixNewer) {
    EXPECT_TRUE(isNewerVersion("1.8.0_291", "1.8.0_72"));
    EXPECT_FALSE(isNewerVersion("1.8.0_72", "1.8.0_291"));
    EXPECT_TRUE(isNewerVersion("11", "1.8.0_291"));
    EXPECT_TRUE(isNewerVersion("1.8.0", "1.8"));
    EXPECT_FALSE(isNewerVersion("1.8", "1.8.0"));
    EXPECT_FALSE(isNewerVersion("17.0.1", "17.0.1"));
    EXPECT_FALSE(isNewerVersion("", "1"));
    EXPECT_TRUE(isNewerVersion("1", ""));
    EXPECT_TRUE(isNewerVersion("zulu-11", "zulu-8"));
}

TEST_F(VersionPolicy, BoundsDecide) {
    EXPECT_TRUE(accepts("1.8.0_291", "1.8", "1.8"));
    EXPECT_FALSE(accepts("9", "", "1.8"));
    EXPECT_FALSE(accepts("1.7.0_80", "1.8", ""));
    EXPECT_TRUE(accepts("1.6.0_45", "", ""));
}

TEST_F(VersionPolicy, BetaRefusedUnlessAllowedByCallerOrEntry130) {
    for (const char* beta : {"17-ea", "1.9.0-beta", "11.0.2-rc1"}) {
        resetHost();
        EXPECT_FALSE(accepts(beta, "", "")) << beta;
        EXPECT_TRUE(logged(L"beta vm not allowed")) << beta;
    }
    EXPECT_TRUE(accepts("17-ea", "", "", true));
    EXPECT_TRUE(accepts("17-EA", "", ""));  // case-sensitive
    configStore().base[cfg::kAllowBetaJava] = "1";
    resetHost();
    EXPECT_TRUE(accepts("17-ea", "11", ""));
    EXPECT_FALSE(accepts("17-ea", "", "11"));
    EXPECT_FALSE(logged(L"beta vm not allowed"));
}

TEST(ExtractJavaVersion, LastMatchingLineWins) {
    resetHost();
    std::string version;
    EXPECT_TRUE(extractJavaVersion("openjdk version \"17.0.2\" 2022-01-18\r\nOpenJDK Runtime\r\n", version));
    EXPECT_EQ(version, "17.0.2");
    EXPECT_EQ(hostLog().back(), L"Java version2: 17.0.2");

    EXPECT_TRUE(extractJavaVersion("java version \"1.8.0_291\"\nother version \"9\"\n", version));
    EXPECT_EQ(version, "9");
}

TEST(ExtractJavaVersion, WithoutClosingQuoteTheLineLosesTwoCharacters) {
    std::string version;
    EXPECT_TRUE(extractJavaVersion("java version \"1.8.0_45\r\n", version));
    EXPECT_EQ(version, "1.8.0_4");  // the CR and one more character go
    EXPECT_TRUE(extractJavaVersion("java version \"1", version));
    EXPECT_EQ(version, "");
}

TEST(ExtractJavaVersion, NoMarkerLeavesVersionAlone) {
    std::string version = "kept";
    EXPECT_FALSE(extractJavaVersion("Error: could not create the VM\nversion 1.8\n", version));
    EXPECT_FALSE(extractJavaVersion("", version));
    EXPECT_EQ(version, "kept");
}
