#include "service/output_tail.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(OutputTail, KeepsTheLastLinesBounded) {
    struct Case {
        const char* name;
        std::vector<std::string> chunks;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"nothing written", {}, {}},
        {"lines across writes, the unfinished one last", {"one\r\ntw", "o\nthr", "ee"}, {"one", "two", "three"}},
        {"only the last three", {"1\n2\n3\n4\n5\n"}, {"3", "4", "5"}},
        {"an unfinished line counts", {"1\n2\n3\n4"}, {"2", "3", "4"}},
        {"blank lines are left out", {"a\n\n  \r\n\nb\n"}, {"a", "b"}},
        {"control bytes shown, high bytes kept", {std::string("a\0b\x1b\x7f\tc\xc3\xa9\n", 10)},
         {std::string("a?b??\tc\xc3\xa9")}},
        {"a long line is cut", {std::string(12, 'x') + "\nend"}, {"xxxxxxxxxx...", "end"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OutputTail tail(3, 10);
        for (const std::string& chunk : c.chunks) tail.add(chunk.data(), chunk.size());
        EXPECT_EQ(tail.lines(), c.expected);
    }
}
