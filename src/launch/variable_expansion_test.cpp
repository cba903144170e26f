#include "launch/variable_expansion.h"

#include <gtest/gtest.h>

#include "host.h"

namespace {

// A platform-style environment block from "NAME=value" entries.
std::string block(std::initializer_list<const char*> entries) {
    std::string out;
    for (const char* e : entries) out += std::string(e) + '\0';
    return out + '\0';
}

std::wstring wideBlock(std::initializer_list<const wchar_t*> entries) {
    std::wstring out;
    for (const wchar_t* e : entries) out += std::wstring(e) + L'\0';
    return out + L'\0';
}

LauncherVariableValues<char> values() {
    return {"C:\\App\\", "C:\\Temp\\tsy1", "", "C:\\Temp"};
}

std::string expand(std::string text, const std::string& environment = block({})) {
    expandWithValues(text, values(), environment.c_str());
    return text;
}

}  // namespace

TEST(LauncherVariables, BuiltInNamesInBothPrefixesAndForms) {
    EXPECT_EQ(expand("%VORBIX_EXEDIR%lib\\a.jar"), "C:\\App\\lib\\a.jar");
    EXPECT_EQ(expand("${TESSALY_EXEDIR}x%TESSALY_PATHLIST_SEPARATOR%${launcher:sys.tempDir}"),
              "C:\\App\\x;C:\\Temp");
    EXPECT_EQ(expand("${launcher:sys.launcherTempDirectory}|%VORBIX_TEMPDIR%|${launcher:sys.pathlistSeparator}"),
              "C:\\Temp\\tsy1|C:\\Temp\\tsy1|;");
    // No JVM selected yet: the home is empty.
    EXPECT_EQ(expand("[${TESSALY_JVM_HOME}${launcher:sys.jvmHome}]"), "[]");
    EXPECT_EQ(expand("%JAVA_HOME%", block({"JAVA_HOME=c:\\jdk"})), "%JAVA_HOME%");
    EXPECT_EQ(expand("${NOSUCH}"), "${NOSUCH}");
}

TEST(LauncherVariables, TempRootIsSearchedOnlyForATextThatRefersToIt) {
    static int searches;
    struct Case {
        const char* text;
        const char* environment;
        const char* expanded;
        int searches;
    };
    const Case cases[] = {
        {"${launcher:sys.tempDir}\\a|${launcher:sys.tempDir}", "", "C:\\Found\\a|C:\\Found", 1},
        {"%VORBIX_EXEDIR%x;${TEMP}", "TEMP=C:\\T", "C:\\App\\x;C:\\T", 0},
        // Built-ins are replaced before the environment: a value that names
        // the temp root is inserted as it is, and needs no search.
        {"${V}", "V=${launcher:sys.tempDir}", "${launcher:sys.tempDir}", 0},
        {"${launcher:sys.tempdir}", "", "${launcher:sys.tempdir}", 0},
        {"", "", "", 0},
    };
    for (const Case& c : cases) {
        LauncherVariableValues<char> lazy = values();
        lazy.findTempRoot = [] {
            ++searches;
            return std::string("C:\\Found");
        };
        searches = 0;
        std::string text = c.text;
        std::string environment = c.environment[0] ? block({c.environment}) : block({});
        expandWithValues(text, lazy, environment.c_str());
        EXPECT_EQ(text, c.expanded) << c.text;
        EXPECT_EQ(searches, c.searches) << c.text;
    }
}

TEST(LauncherVariables, EnvironmentNamesAsSpelledAndUpperCased) {
    std::string env = block({"Path=c:\\bin", "=C:=C:\\", "junk"});
    EXPECT_EQ(expand("${Path}|${PATH}|${path}", env), "c:\\bin|c:\\bin|${path}");
}

TEST(LauncherVariables, LaterEnvironmentEntriesSeeEarlierValues) {
    EXPECT_EQ(expand("${A}", block({"A=${B}", "B=bee"})), "bee");
    EXPECT_EQ(expand("${A}", block({"B=bee", "A=${B}"})), "${B}");
    // A built-in value is never searched for built-in names again, but the
    // environment walk sees it.
    EXPECT_EQ(expand("${X}%VORBIX_EXEDIR%", block({"X=%VORBIX_EXEDIR%"})), "%VORBIX_EXEDIR%C:\\App\\");
}

TEST(LauncherVariables, SelfReferenceDoesNotLoop) {
    resetHost();
    EXPECT_EQ(expand("${X}-${X}", block({"X=${X}"})), "${X}-${X}");
    // Two replacements by the name as spelled, two by the upper-cased (same) name.
    EXPECT_EQ(hostLog().size(), 4u);
    EXPECT_EQ(hostLog().front(), L"expanding2 ${X} to ${X}.");
}

TEST(LauncherVariables, ChainedDoublingStopsAtTheLimit) {
    // Forty entries that each double the text would make 2^40 references.
    std::string environment;
    for (int i = 0; i < 40; ++i)
        environment += "V" + std::to_string(i) + "=${V" + std::to_string(i + 1) + "}${V" + std::to_string(i + 1) +
                       "}" + '\0';
    environment += '\0';
    resetHost();
    std::string text = expand("${V0}", environment);
    EXPECT_LE(text.size(), size_t(1) << 18);
    EXPECT_GT(text.size(), size_t(1) << 16);
    EXPECT_EQ(hostLog().back(), L"expansion stopped: the text would pass 262144 characters");
    // Below the limit the same chain expands in full.
    EXPECT_EQ(expand("${A}", block({"A=${B}${B}", "B=${C}${C}", "C=c"})), "cccc");
}

TEST(LauncherVariables, ManyOccurrencesAreAllReplaced) {
    std::string text(20000, 'x'), expected;
    for (int i = 0; i < 20000; ++i) expected += "yz";
    EXPECT_EQ(replaceAll(text, "x", "yz"), 20000u);
    EXPECT_EQ(text, expected);
}

TEST(LauncherVariables, NullEnvironmentIsEmpty) {
    std::string text = "${A}%VORBIX_EXEDIR%";
    expandWithValues(text, values(), nullptr);
    EXPECT_EQ(text, "${A}C:\\App\\");
}

TEST(LauncherVariables, WideVariantLogsWideStrings) {
    resetHost();
    std::wstring text = L"${VORBIX_EXEDIR}\u00e9${Home}";
    LauncherVariableValues<wchar_t> wide = {L"C:\\\u00c4pp\\", L"", L"c:\\jre\\bin\\..", L"C:\\Temp"};
    std::wstring env = wideBlock({L"Home=h\u20ac"});
    expandWithValues(text, wide, env.c_str());
    EXPECT_EQ(text, L"C:\\\u00c4pp\\\u00e9h\u20ac");
    ASSERT_EQ(hostLog().size(), 2u);
    EXPECT_EQ(hostLog()[0], L"expanding2 ${VORBIX_EXEDIR} to C:\\\u00c4pp\\.");
}

TEST(ReplaceAll, CountsAndResumesBehindTheValue) {
    std::string text = "aXaXa";
    EXPECT_EQ(replaceAll(text, "a", "aa"), 3u);
    EXPECT_EQ(text, "aaXaaXaa");
    EXPECT_EQ(replaceAll(text, "", "z"), 0u);
    std::wstring wide = L"ab";
    EXPECT_EQ(replaceAll(wide, L"b", L""), 1u);
    EXPECT_EQ(wide, L"a");
}
