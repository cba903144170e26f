#include "support/path_reduction.h"

#include <gtest/gtest.h>

TEST(ReducePathEntries, KeepsOrderAndCaseOfEntriesInTheWindowsDirectory) {
    EXPECT_EQ(reducePathEntries(L"C:\\Windows\\System32;;d:\\tools;c:\\WINDOWS;;C:\\windowsApps\\x;", L"C:\\windows"),
              L"C:\\Windows\\System32;c:\\WINDOWS;C:\\windowsApps\\x");
    EXPECT_EQ(reducePathEntries(L"d:\\a;e:\\b", L"C:\\windows"), L"");
    EXPECT_EQ(reducePathEntries(L"C:\\win", L"C:\\windows"), L"");
    EXPECT_EQ(reducePathEntries(L"", L"C:\\windows"), L"");
}
