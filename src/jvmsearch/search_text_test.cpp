#include "jvmsearch/search_text.h"

#include <gtest/gtest.h>

#include "host.h"
#include "jvmsearch/non_working.h"

TEST(SearchSequence, EntriesKeepTheirOrderAndEmptyPiecesGo) {
    auto entries = splitSearchSequence(";Ajre;;S;E JAVA_HOME;Rc:\\x;");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].type, 'A');
    EXPECT_EQ(entries[0].value, "jre");
    EXPECT_EQ(entries[1].type, 'S');
    EXPECT_EQ(entries[1].value, "");
    EXPECT_EQ(entries[2].value, " JAVA_HOME");
    EXPECT_EQ(entries[3].value, "c:\\x");
    EXPECT_TRUE(splitSearchSequence("").empty());
}

TEST(SearchSequence, AbsoluteLocationsOfTheRelativePass) {
    EXPECT_TRUE(isAbsoluteLocation("c:\\jre"));
    EXPECT_TRUE(isAbsoluteLocation("C:"));
    EXPECT_TRUE(isAbsoluteLocation("\\\\server\\share"));
    EXPECT_FALSE(isAbsoluteLocation("\\jre"));
    EXPECT_FALSE(isAbsoluteLocation("jre"));
    EXPECT_FALSE(isAbsoluteLocation(":"));
    EXPECT_FALSE(isAbsoluteLocation(""));
}

TEST(SearchSequence, LocationLinesLoseAllTrailingLineEnds) {
    std::string line = "c:\\jre\r\n\r";
    trimLineEnd(line);
    EXPECT_EQ(line, "c:\\jre");
    line = "\r\n";
    trimLineEnd(line);
    EXPECT_EQ(line, "");
}

TEST(JavaExeDirectory, CutsTheExecutableName) {
    EXPECT_EQ(javaExeDirectory("c:\\jdk\\bin\\java.exe"), "c:\\jdk\\bin");
    EXPECT_EQ(javaExeDirectory("c:\\jdk\\bin\\javaw.exe"), "c:\\jdk\\bin");
    // Only the exact lower-case javaw name is recognised.
    EXPECT_EQ(javaExeDirectory("c:\\jdk\\bin\\JAVAW.EXE"), "c:\\jdk\\bin\\");
    EXPECT_EQ(javaExeDirectory("java.exe"), "");
    EXPECT_EQ(javaExeDirectory(std::string(3000, 'a') + "\\java.exe").size(), 1999u);
}

TEST(RegistryCandidates, NewestFirstAndEqualVersionsKeepTheirOrder) {
    std::vector<JavaCandidate> list = {
        {"a", "1.8.0_72"}, {"b", "11.0.2"}, {"c", "1.8.0_72"}, {"d", "17"}, {"e", "11.0.2"}};
    sortNewestFirst(list);
    std::string order;
    for (const auto& c : list) order += c.javaExe;
    EXPECT_EQ(order, "dbeac");

    std::vector<std::string> names = {"zulu-8", "zulu-17", "zulu-11.0.2"};
    sortNamesNewestFirst(names);
    EXPECT_EQ(names, (std::vector<std::string>{"zulu-17", "zulu-11.0.2", "zulu-8"}));
    EXPECT_EQ(zuluTestName("zulu-8"), "8");
    EXPECT_EQ(zuluTestName("Zulu-8"), "Zulu-8");
}

TEST(NonWorkingList, ExactPathsAndTheCapacitySignal) {
    clearNonWorkingJavas();
    resetHost();
    EXPECT_TRUE(addNonWorkingJava("c:\\a\\bin\\java.exe"));
    EXPECT_EQ(hostLog().back(), L"add non-working java c:\\a\\bin\\java.exe");
    EXPECT_TRUE(isNonWorkingJava("c:\\a\\bin\\java.exe"));
    EXPECT_FALSE(isNonWorkingJava("c:\\a\\bin\\javaw.exe"));
    for (int i = 1; i < 48; ++i) EXPECT_TRUE(addNonWorkingJava("x"));
    EXPECT_TRUE(addNonWorkingJava("x"));   // 49 entries
    EXPECT_FALSE(addNonWorkingJava("x"));  // 50: full
    clearNonWorkingJavas();
}

TEST(JavaExeDirectory, HeldInTwoThousandBytes) {
    // 1999 characters of directory fit; one more is cut to 1999.
    const std::string fits = "c:\\" + std::string(1996, 'd');
    EXPECT_EQ(javaExeDirectory(fits + "\\java.exe"), fits);
    EXPECT_EQ(javaExeDirectory(fits + "x\\javaw.exe"), fits);
}
