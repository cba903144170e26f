#include "core/log_rules.h"

#include <gtest/gtest.h>

#include <set>

TEST(LogSwitch, ExactlyYesOrSafeInEitherVariable) {
    EXPECT_FALSE(decideLogSwitch(nullptr, nullptr).on);
    EXPECT_FALSE(decideLogSwitch(L"Yes", nullptr).on);
    EXPECT_FALSE(decideLogSwitch(L"yes ", L"SAFE").on);
    EXPECT_FALSE(decideLogSwitch(L"", L"1").on);

    LogSwitch yes = decideLogSwitch(L"yes", nullptr);
    EXPECT_TRUE(yes.on);
    EXPECT_FALSE(yes.safe);

    LogSwitch second = decideLogSwitch(L"no", L"safe");
    EXPECT_TRUE(second.on);
    EXPECT_TRUE(second.safe);

    // The second variable is read even when the first already counts.
    EXPECT_TRUE(decideLogSwitch(L"yes", L"safe").safe);
}

TEST(LogFile, DirectoryFromTheTempRoot) {
    EXPECT_EQ(logDirectory(L""), L"c:\\");
    EXPECT_EQ(logDirectory(L"C:\\t"), L"C:\\t\\");
    EXPECT_EQ(logDirectory(L"C:\\t\\"), L"C:\\t\\");
    EXPECT_EQ(logDirectory(L"C:/t/"), L"C:/t/");
}

TEST(LogFile, FirstFreeNumberIncludingGaps) {
    std::set<std::wstring> files = {L"D:\\tsy_nlog_1.log", L"D:\\tsy_nlog_2.log"};
    auto exists = [&](const std::wstring& p) { return files.count(p) > 0; };
    EXPECT_EQ(chooseLogFile(L"D:\\", exists), L"D:\\tsy_nlog_3.log");

    files = {L"D:\\tsy_nlog_2.log"};
    EXPECT_EQ(chooseLogFile(L"D:\\", exists), L"D:\\tsy_nlog_1.log");

    int asked = 0;
    EXPECT_EQ(chooseLogFile(L"D:\\", [&](const std::wstring&) { return ++asked, true; }), L"D:\\tsy_nlog_1000.log");
    EXPECT_EQ(asked, kMaxLogNumber);
}

TEST(LogEntry, PrefixSplitsSecondsAndMilliseconds) {
    EXPECT_EQ(logEntryPrefix(0), L"[0:0] ");
    EXPECT_EQ(logEntryPrefix(61025), L"[61:25] ");
}

TEST(LogEntry, Utf8WithCrLf) {
    EXPECT_EQ(encodeLogText(L"a\n"), "a\r\n");
    EXPECT_EQ(encodeLogText(L"\u00e9\u20ac"), "\xC3\xA9\xE2\x82\xAC");
    std::wstring pair;
    pair.push_back(static_cast<wchar_t>(0xD83D));
    pair.push_back(static_cast<wchar_t>(0xDE00));
    if (sizeof(wchar_t) == 2) EXPECT_EQ(encodeLogText(pair), "\xF0\x9F\x98\x80");
    std::wstring lone(1, static_cast<wchar_t>(0xDC00));
    EXPECT_EQ(encodeLogText(lone), "\xEF\xBF\xBD");
}

TEST(MessageDetail, FirstPlaceholderOnly) {
    EXPECT_EQ(substituteDetail(L"No file {0} here", L"x.jar"), L"No file x.jar here");
    EXPECT_EQ(substituteDetail(L"{0} and {0}", L"a"), L"a and {0}");
    EXPECT_EQ(substituteDetail(L"Plain message", L"detail"), L"Plain message");
    EXPECT_EQ(substituteDetail(L"Keep {0}", nullptr), L"Keep {0}");
    // A detail that itself holds the placeholder is not expanded again.
    EXPECT_EQ(substituteDetail(L"<{0}>", L"{0}"), L"<{0}>");
}

TEST(MessageDetail, LogTailAfterABlankLine) {
    EXPECT_EQ(withLogTail(L"Failed.", L"C:\\t\\tsy_nlog_1.log"), L"Failed.\n\nLog: C:\\t\\tsy_nlog_1.log");
}
