#include "core/command_line.h"

#include <gtest/gtest.h>

using Args = std::vector<std::wstring>;

TEST(SplitCommandLine, EmptyTextGivesNoArguments) {
    EXPECT_EQ(splitCommandLine(L""), Args{});
}

TEST(SplitCommandLine, QuotedRunWithBlankIsOneArgument) {
    EXPECT_EQ(splitCommandLine(L"a \"b c\" d"), (Args{L"a", L"b c", L"d"}));
}

TEST(SplitCommandLine, QuotedRunsBackToBackKeepOneQuote) {
    EXPECT_EQ(splitCommandLine(L"\"x\"\"y\""), (Args{L"x\"y"}));
    // Three quotes after a closed run: literal quote, then the run closes.
    EXPECT_EQ(splitCommandLine(L"\"a\"\"\"b"), (Args{L"a\"b"}));
    // An empty quoted pair is an empty argument of its own.
    EXPECT_EQ(splitCommandLine(L"a \"\" b"), (Args{L"a", L"", L"b"}));
}

TEST(SplitCommandLine, QuotedPathEndingInBackslashKeepsIt) {
    EXPECT_EQ(splitCommandLine(L"\"C:\\Program Files\\app\\\" next"), (Args{L"C:\\Program Files\\app\\", L"next"}));
    EXPECT_EQ(splitCommandLine(L"a\\\\b \\\"c"), (Args{L"a\\\\b", L"\\c"}));
}

TEST(SplitCommandLine, BlanksAtTheEdges) {
    EXPECT_EQ(splitCommandLine(L"a b   \t "), (Args{L"a", L"b"}));
    EXPECT_EQ(splitCommandLine(L" a"), (Args{L"", L"a"}));
    EXPECT_EQ(splitCommandLine(L"\t\ta"), (Args{L"", L"a"}));
    EXPECT_EQ(splitCommandLine(L"   "), (Args{L""}));
}

TEST(SplitCommandLine, TabsSeparateAndAreKeptInsideQuotes) {
    EXPECT_EQ(splitCommandLine(L"a\tb"), (Args{L"a", L"b"}));
    EXPECT_EQ(splitCommandLine(L"\"a\tb\""), (Args{L"a\tb"}));
}

TEST(SplitCommandLine, QuoteInsideAWordTogglesWithoutSplitting) {
    EXPECT_EQ(splitCommandLine(L"ab\"c d\"e f"), (Args{L"abc de", L"f"}));
    // A quote after a blank starts the next argument.
    EXPECT_EQ(splitCommandLine(L"a \"b\""), (Args{L"a", L"b"}));
    // An unclosed quote runs to the end of the text.
    EXPECT_EQ(splitCommandLine(L"a \"b c"), (Args{L"a", L"b c"}));
}

TEST(SplitCommandLine, ExecutableWithTextGluedToItsClosingQuote) {
    EXPECT_EQ(splitCommandLine(L"\"C:\\a b\\app.exe\"_w own"), (Args{L"C:\\a b\\app.exe_w", L"own"}));
}

TEST(VerbOfArgument, SlashDashAndDoubleDash) {
    EXPECT_EQ(verbOfArgument(L"/status"), L"status");
    EXPECT_EQ(verbOfArgument(L"-status"), L"status");
    EXPECT_EQ(verbOfArgument(L"--status"), L"status");
    EXPECT_EQ(verbOfArgument(L"-/status"), L"/status");
    EXPECT_EQ(verbOfArgument(L"---x"), L"-x");
    EXPECT_EQ(verbOfArgument(L"/"), L"");
    EXPECT_EQ(verbOfArgument(L"-"), L"");
}

TEST(ProgramStem, DropsDirectoryAndExtension) {
    EXPECT_EQ(programStem(L"C:\\dir.x\\my app.exe"), L"my app");
    EXPECT_EQ(programStem(L"Z:/tmp/tool.v2.exe"), L"tool.v2");
    EXPECT_EQ(programStem(L"C:\\dir.x\\noext"), L"noext");
}
