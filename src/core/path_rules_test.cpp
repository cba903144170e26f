#include "core/path_rules.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/paths.h"

TEST(RelativeTest, AbsoluteFormsAreDriveBackslashAndUnc) {
    for (const char* path : {"C:\\x", "c:\\", "\\\\srv\\share", "\"C:\\x\"", "\"\\\\s"})
        EXPECT_FALSE(isRelativePath(path)) << path;
    for (const char* path : {"lib", "\\lib", "C:", "C:/x", "C:x", "\"C:", "\\\\", "", "/usr"})
        EXPECT_TRUE(isRelativePath(path)) << path;
    EXPECT_FALSE(isRelativePathWide(L"D:\\dir"));
    EXPECT_TRUE(isRelativePathWide(L"\"ab"));
    // Four characters with a quote are enough for a drive path.
    EXPECT_FALSE(isRelativePathWide(L"\"C:\\"));
}

TEST(ExeExtension, NeedsFiveCharactersAndAnyCase) {
    EXPECT_FALSE(hasExeExtension(".exe"));
    EXPECT_TRUE(hasExeExtension("a.EXE"));
    EXPECT_TRUE(hasExeExtension("C:\\dir\\app.Exe"));
    EXPECT_FALSE(hasExeExtension("C:\\dir\\app.exe.txt"));
    EXPECT_FALSE(hasExeExtension("appexe"));
}

TEST(CollapseBackslashes, KeepsTheFirstTwoPositionsOnly) {
    std::wstring unc = L"\\\\server\\\\share\\\\\\x";
    collapseBackslashes(unc);
    EXPECT_EQ(unc, L"\\\\server\\share\\x");

    std::wstring joined = L"prefix>C:\\dir\\\\lib";
    collapseBackslashes(joined, 7);
    EXPECT_EQ(joined, L"prefix>C:\\dir\\lib");

    // The start and the position after it are kept even when both are
    // backslashes, but nothing before the start is touched.
    std::wstring tail = L"a\\\\;\\\\\\b";
    collapseBackslashes(tail, 4);
    EXPECT_EQ(tail, L"a\\\\;\\\\b");

    std::wstring shortText = L"\\\\";
    collapseBackslashes(shortText, 1);
    EXPECT_EQ(shortText, L"\\\\");
}

TEST(DriveRootForm, OnlyTheThreeExactTails) {
    for (const char* path : {"C:\\", "q:\\.", "C:\\.\\."}) EXPECT_TRUE(isDriveRootForm(std::string(path))) << path;
    for (const char* path : {"C:", "C:\\x", "C:\\..", "C:\\.\\", "", ":"})
        EXPECT_FALSE(isDriveRootForm(std::string(path))) << path;
    EXPECT_TRUE(isDriveRootForm(std::wstring(L"Z:\\.")));
}

TEST(ExclamationMark, BeforeASeparatorOrAtTheEnd) {
    EXPECT_TRUE(hasExclamationMark(std::string("C:\\tmp!")));
    EXPECT_TRUE(hasExclamationMark(std::string("C:\\a!\\b")));
    EXPECT_TRUE(hasExclamationMark(std::wstring(L"C:\\a!\\")));
    EXPECT_FALSE(hasExclamationMark(std::string("C:\\a!b\\c")));
    EXPECT_FALSE(hasExclamationMark(std::wstring(L"C:\\!a")));
}

TEST(LowerAscii, LeavesOtherLettersAlone) {
    std::wstring text = L"C:\\\u00c4PP\\Z.EXE";
    lowerAsciiInPlace(text);
    EXPECT_EQ(text, L"c:\\\u00c4pp\\z.exe");
}

TEST(Separators, CutAndAppend) {
    EXPECT_EQ(cutAfterLastSeparator(std::string("C:\\a\\b.exe")), "C:\\a\\");
    EXPECT_EQ(cutAfterLastSeparator(std::wstring(L"C:/a/b.exe")), L"C:/a/");
    EXPECT_EQ(cutAfterLastSeparator(std::string("b.exe")), "");
    std::string dir = "C:\\t";
    appendSeparatorIfMissing(dir);
    EXPECT_EQ(dir, "C:\\t\\");
    appendSeparatorIfMissing(dir);
    EXPECT_EQ(dir, "C:\\t\\");
    std::wstring forward = L"C:/t/";
    appendSeparatorIfMissing(forward);
    EXPECT_EQ(forward, L"C:/t/");
}

namespace {
std::vector<std::string> seen;
void remember(const std::string& entry) { seen.push_back(entry); }
void toAbsolute(std::string& out, const std::string& piece) {
    if (piece[0] == 'C') out += piece;
    else out += "C:\\app\\" + piece;
}
}  // namespace

TEST(PathList, EmptyPiecesAreSkippedAndTheCallbackSeesEachEntry) {
    seen.clear();
    std::string out = "old content";
    joinPathList(out, ";lib;;C:\\x;", toAbsolute, remember);
    EXPECT_EQ(out, "C:\\app\\lib;C:\\x");
    EXPECT_EQ(seen, (std::vector<std::string>{"C:\\app\\lib", "C:\\x"}));

    joinPathList(out, ";;", toAbsolute, nullptr);
    EXPECT_EQ(out, "");
}

TEST(PathBuffer, LengthsThatCannotFitAreOverflows) {
    EXPECT_FALSE(overflowsPathBuffer(kPathBufferSize - 1));
    EXPECT_TRUE(overflowsPathBuffer(kPathBufferSize));
}
