#include "service/output_log.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// Files in memory; names in `locked` can be neither opened, renamed nor
// removed, and writes fail once `diskFull` is set.
class MemoryFiles : public OutputLogFiles {
public:
    std::map<std::wstring, std::string> files;
    std::set<std::wstring> locked;
    bool diskFull = false;
    bool renameBlocked = false;
    std::wstring current;
    int opens = 0;

    bool openAppend(const std::wstring& path, uint64_t& size, uint32_t& error) override {
        ++opens;
        if (locked.count(path)) {
            error = 32;
            return false;
        }
        current = path;
        size = files[path].size();
        return true;
    }
    bool write(const char* data, size_t size, uint32_t& error) override {
        EXPECT_FALSE(current.empty()) << "write without an open file";
        if (diskFull) {
            error = 112;
            return false;
        }
        files[current].append(data, size);
        return true;
    }
    void close() override { current.clear(); }
    bool exists(const std::wstring& path) override { return files.count(path) != 0; }
    bool remove(const std::wstring& path) override {
        if (locked.count(path)) return false;
        return files.erase(path) != 0;
    }
    bool rename(const std::wstring& from, const std::wstring& to, uint32_t& error) override {
        EXPECT_NE(from, current) << "renaming the open file";
        if (renameBlocked || locked.count(from) || !files.count(from)) {
            error = 32;
            return false;
        }
        files[to] = files[from];
        files.erase(from);
        return true;
    }
};

struct Case {
    const char* name;
    uint64_t size;
    int keep;
    bool roll;
    std::map<std::wstring, std::string> before;
    std::vector<std::string> chunks;
    std::map<std::wstring, std::string> after;
};

const std::wstring L0 = L"logs\\svc.log", L1 = L"logs\\svc.1.log", L2 = L"logs\\svc.2.log";

}  // namespace

TEST(OutputLog, RotatedNames) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\logs\\svc.log", L"C:\\logs\\svc.3.log"}, {L"svc", L"svc.3"},
        {L"C:\\a.b\\svc", L"C:\\a.b\\svc.3"},           {L"C:/a.b/out.txt", L"C:/a.b/out.3.txt"},
        {L"C:\\logs\\.log", L"C:\\logs\\.log.3"},       {L"svc.out.log", L"svc.out.3.log"},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(rotatedLogName(path, 3), expected) << path;
}

TEST(OutputLog, NumbersOfTheEntries) {
    const std::pair<const char*, uint64_t> cases[] = {
        {"", 7}, {"0", 0}, {"4096", 4096}, {"-1", 7}, {"10M", 7}, {" 5", 7}, {"99999999999", 0x7FFFFFFF},
    };
    for (const auto& [text, expected] : cases) {
        std::string entry = text;
        EXPECT_EQ(outputLogNumber(&entry, 7), expected) << text;
    }
    EXPECT_EQ(outputLogNumber(nullptr, 7), 7u);
}

TEST(OutputLog, WritesThroughAndRotatesAtLineBoundaries) {
    const std::string big(25, 'x');
    const Case cases[] = {
        {"appends what comes, bytes as they are", 100, 5, false, {{L0, "old\n"}},
         {std::string("a\0b", 3), "\xff\r\n", "no end"}, {{L0, std::string("old\na\0b\xff\r\nno end", 16)}}},
        {"a line that would cross the size starts the next file", 10, 5, false, {},
         {"1234\n", "5678\n", "9abc\n"}, {{L0, "9abc\n"}, {L1, "1234\n5678\n"}}},
        {"a line split over writes stays in one file", 10, 5, false, {},
         {"1234\n56", "78\n9a", "bc\n"}, {{L0, "9abc\n"}, {L1, "1234\n5678\n"}}},
        {"a line longer than the size is written whole", 10, 5, false, {},
         {"ab\n", "0123456789ABCDE\n", "z\n"}, {{L0, "z\n"}, {L1, "0123456789ABCDE\n"}, {L2, "ab\n"}}},
        {"a line beyond twice the size is cut at twice the size", 10, 5, false, {},
         {big}, {{L0, big.substr(20)}, {L1, big.substr(0, 20)}}},
        {"only the configured number of old files stay", 4, 2, false, {{L2, "gone\n"}},
         {"a\n", "bbb\n", "c\n", "ddd\n", "e\n"}, {{L0, "e\n"}, {L1, "ddd\n"}, {L2, "c\n"}}},
        {"keeping none empties the file", 4, 0, false, {},
         {"abc\n", "de\n"}, {{L0, "de\n"}}},
        {"size 0 never rotates", 0, 5, false, {},
         {big, "\n", big}, {{L0, big + "\n" + big}}},
        {"an existing log counts towards the size", 10, 5, false, {{L0, "12345678\n"}},
         {"ab\n"}, {{L0, "ab\n"}, {L1, "12345678\n"}}},
        {"roll at start", 100, 2, true, {{L0, "run 2\n"}, {L1, "run 1\n"}},
         {"run 3\n"}, {{L0, "run 3\n"}, {L1, "run 2\n"}, {L2, "run 1\n"}}},
        {"roll at start without an old log", 100, 2, true, {},
         {"run 1\n"}, {{L0, "run 1\n"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFiles files;
        files.files = c.before;
        std::vector<std::wstring> problems;
        OutputLog log({L0, c.size, c.keep, c.roll}, files, [&](const std::wstring& t) { problems.push_back(t); });
        log.start();
        for (const std::string& chunk : c.chunks) log.write(chunk.data(), chunk.size());
        log.stop();
        EXPECT_EQ(files.files, c.after);
        EXPECT_TRUE(problems.empty());
    }
}

TEST(OutputLog, AFileThatCannotBeWrittenIsReportedOnceAndRetried) {
    struct Failure {
        const char* name;
        bool lockLog;      // the log cannot be opened (nor rotated)
        bool fullAfterFirst;  // writes fail after the first chunk
    };
    const Failure failures[] = {{"cannot open", true, false}, {"cannot write", false, true}};
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.name);
        MemoryFiles files;
        if (f.lockLog) files.locked.insert(L0);
        std::vector<std::wstring> problems, details;
        OutputLog log({L0, 0, 5, false}, files, [&](const std::wstring& t) { problems.push_back(t); },
                      [&](const std::wstring& t) { details.push_back(t); });
        log.start();
        std::string line(1000, 'x');
        line.back() = '\n';
        log.write("first\n", 6);
        if (f.fullAfterFirst) files.diskFull = true;
        for (int i = 0; i < 200; ++i) log.write(line.data(), line.size());
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_NE(problems[0].find(L"logs\\svc.log could not be"), std::wstring::npos) << problems[0];
        EXPECT_NE(problems[0].find(f.lockLog ? L"(error 32)" : L"(error 112)"), std::wstring::npos);
        // Retried now and then, not on every line.
        EXPECT_GE(details.size(), 1u);
        EXPECT_LE(details.size(), 200 * line.size() / kOutputLogRetryBytes + 1);

        // Once the file can be written again, output goes on at a line start.
        files.locked.clear();
        files.diskFull = false;
        for (int i = 0; i < 70; ++i) log.write(line.data(), line.size());
        log.write("last\n", 5);
        const std::string& text = files.files[L0];
        EXPECT_EQ(text.substr(text.size() - 5), "last\n");
        EXPECT_EQ(text.find('x') % line.size(), f.fullAfterFirst ? 6u : 0u) << "resumed mid-line";
    }
}

TEST(OutputLog, ARotationThatFailsKeepsWritingTheSameFile) {
    MemoryFiles files;
    std::vector<std::wstring> problems, details;
    OutputLog log({L0, 4, 2, false}, files, [&](const std::wstring& t) { problems.push_back(t); },
                  [&](const std::wstring& t) { details.push_back(t); });
    log.start();
    log.write("aaa\n", 4);
    files.renameBlocked = true;  // say, a viewer holds it without delete sharing
    for (const char* line : {"bbb\n", "ccc\n", "ddd\n"}) log.write(line, 4);
    files.renameBlocked = false;
    log.write("eee\n", 4);
    log.stop();
    const std::map<std::wstring, std::string> expected = {{L0, "eee\n"}, {L1, "aaa\nbbb\nccc\nddd\n"}};
    EXPECT_EQ(files.files, expected);
    EXPECT_EQ(problems.size(), 1u);
    EXPECT_EQ(details.size(), 2u);
    EXPECT_NE(problems[0].find(L"could not be rotated"), std::wstring::npos);
}
