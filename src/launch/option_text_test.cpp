#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host.h"
#include "launch/option_list.h"
#include "launch/options_file_text.h"

namespace {

std::vector<std::string> linesOf(const std::string& content) {
    std::vector<std::string> lines;
    forEachOptionsFileLine(content.data(), content.size(), [&](const std::string& l) { lines.push_back(l); });
    return lines;
}

}  // namespace

TEST(OptionsFileLines, TrimsAndSkipsCommentsAndBlanks) {
    std::vector<std::string> expected = {"-Xmx512m", "-Dname=a # b"};
    EXPECT_EQ(linesOf("  -Xmx512m \t\n# comment\n\n-Dname=a # b\n"), expected);
    // Windows line ends and a last line without line end give the same.
    EXPECT_EQ(linesOf("  -Xmx512m \t\r\n# comment\r\n\r\n-Dname=a # b"), expected);
}

TEST(OptionsFileLines, EndOfFileMarkAndByteOrderMark) {
    EXPECT_EQ(linesOf("-Xa\n-Xb\x1A-Xc\n"), (std::vector<std::string>{"-Xa", "-Xb"}));
    // A byte-order mark is not special: it hides the comment sign.
    EXPECT_EQ(linesOf("\xEF\xBB\xBF# not a comment\n"), (std::vector<std::string>{"\xEF\xBB\xBF# not a comment"}));
    // A lone carriage return inside a line stays part of it.
    EXPECT_EQ(linesOf("-Da=x\ry\n"), (std::vector<std::string>{"-Da=x\ry"}));
    EXPECT_TRUE(linesOf("").empty());
    EXPECT_TRUE(linesOf("\n\n   \n").empty());
}

TEST(VersionConditions, MajorVersion) {
    EXPECT_EQ(majorVersion({1, 8, 0, 301}), 8);
    EXPECT_EQ(majorVersion({11, 0, 2}), 11);
    EXPECT_EQ(majorVersion({1}), 1);
    EXPECT_EQ(majorVersion({}), -1);
}

TEST(VersionConditions, PatternsAndRanges) {
    resetHost();
    EXPECT_TRUE(versionConditionMatches("*1.8*", "1.8.0_301", 8));
    EXPECT_TRUE(versionConditionMatches("*1.8.0_*", "1.8.0_301", 8));
    EXPECT_FALSE(versionConditionMatches("*11*", "1.8.0_301", 8));
    EXPECT_TRUE(versionConditionMatches("8-10", "1.8.0_301", 8));
    EXPECT_TRUE(versionConditionMatches("1-8", "1.8.0_301", 8));
    EXPECT_FALSE(versionConditionMatches("9-10", "1.8.0_301", 8));
    // "11-" has the maximum 0 and never matches.
    EXPECT_FALSE(versionConditionMatches("11-", "11.0.2", 11));
    resetHost();
    EXPECT_FALSE(versionConditionMatches("11", "11.0.2", 11));
    ASSERT_FALSE(hostLog().empty());
    EXPECT_EQ(hostLog()[0], L"ERROR: expected dash");
    resetHost();
    versionConditionMatches("8-10", "1.8.0_301", 8);
    EXPECT_EQ(hostLog(), (std::vector<std::wstring>{L"checking min 8 max 10 with 8", L"checking version 8 1"}));
}

TEST(OptionList, JoinModuleOptions) {
    OptionList options = {"--add-opens", "java.base/java.lang=ALL-UNNAMED", "-Xmx1g", "--add-modules=a",
                          "--add-modules", "--add-reads"};
    joinModuleOptions(options);
    EXPECT_EQ(options, (OptionList{"--add-opens=java.base/java.lang=ALL-UNNAMED", "-Xmx1g", "--add-modules=a",
                                   "--add-modules=--add-reads"}));
    OptionList last = {"-Xrs", "--patch-module"};
    joinModuleOptions(last);
    EXPECT_EQ(last, (OptionList{"-Xrs", "--patch-module"}));
}

TEST(OptionList, LauncherOnlyOptionsAreRemoved) {
    OptionList options = {"", "-jvm=C:\\jre", "-Xrs", "-jvmx", "-Djvm=1"};
    removeLauncherOnlyOptions(options);
    EXPECT_EQ(options, (OptionList{"-Xrs", "-jvmx", "-Djvm=1"}));
    EXPECT_TRUE(hasOption(options, "-Xrs"));
    EXPECT_FALSE(hasOption({"-Xrs2"}, "-Xrs"));
}

TEST(OptionList, ModuleOptionsForTheMainClass) {
    OptionList options;
    appendModuleOptions(options, "app.mod/com.example.Main", "com.vorbix.runtime");
    EXPECT_EQ(options, (OptionList{"--add-opens=app.mod/com.example=com.vorbix.runtime",
                                   "--add-modules=app.mod,com.vorbix.runtime"}));
    options.clear();
    appendModuleOptions(options, "com.example.Main", "com.vorbix.runtime");
    EXPECT_EQ(options, (OptionList{"--add-modules=com.example.Main,com.vorbix.runtime"}));
    options.clear();
    appendModuleOptions(options, "app.mod/Main", "com.tessaly.runtime");
    EXPECT_EQ(options, (OptionList{"--add-modules=app.mod,com.tessaly.runtime"}));
    options.clear();
    appendModuleOptions(options, "", "com.vorbix.runtime");
    EXPECT_EQ(options, (OptionList{"--add-modules=com.vorbix.runtime"}));
    options.clear();
    appendModuleOptions(options, std::string(7000, 'm'), "com.vorbix.runtime");
    EXPECT_EQ(options, (OptionList{"--add-modules=com.vorbix.runtime"}));
}

TEST(OptionList, TrailingSeparator) {
    EXPECT_EQ(withoutTrailingSeparator("-Djava.class.path=a;b;"), "-Djava.class.path=a;b");
    EXPECT_EQ(withoutTrailingSeparator("a;;"), "a;");
    EXPECT_EQ(withoutTrailingSeparator("-Djava.class.path="), "-Djava.class.path=");
}

TEST(ModuleOptions, AddModulesFitsItsSixThousandByteBuffer) {
    const std::string runtime = "com.vorbix.runtime";
    // "--add-modules=" + module + "," + runtime: 5999 characters fit.
    const size_t room = 5999 - std::string("--add-modules=,").size() - runtime.size();
    OptionList options;
    appendModuleOptions(options, std::string(room, 'm') + "/Main", runtime);
    ASSERT_EQ(options.size(), 1u);
    EXPECT_EQ(options[0], "--add-modules=" + std::string(room, 'm') + "," + runtime);
    EXPECT_EQ(options[0].size(), 5999u);

    resetHost();
    options.clear();
    appendModuleOptions(options, std::string(room + 1, 'm') + "/Main", runtime);
    ASSERT_EQ(options.size(), 1u);
    EXPECT_EQ(options[0], "--add-modules=" + runtime);
    ASSERT_EQ(hostLog().size(), 1u);
    EXPECT_EQ(hostLog()[0], L"ERROR: main class too long for --add-modules (6000)");
}
