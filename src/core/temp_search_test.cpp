#include "core/temp_search.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "core/path_rules.h"

namespace {

// A fake machine: each candidate kind has a narrow and a wide path; a path
// is accepted when listed as writable, and the exclamation rule is applied
// as the real tests do.
struct FakeMachine {
    std::map<int, std::string> narrow;
    std::map<int, std::wstring> wide;
    std::set<std::string> writable;
    std::set<std::wstring> writableWide;
    std::vector<std::pair<int, bool>> tried;  // kind and strict, in order

    TempSearchHooks hooks() {
        TempSearchHooks h;
        h.formNarrow = [this](int kind, std::string& path) {
            auto it = narrow.find(kind);
            if (it == narrow.end()) return false;
            path = it->second;
            return true;
        };
        h.formWide = [this](int kind, std::wstring& path) {
            auto it = wide.find(kind);
            if (it == wide.end()) return false;
            path = it->second;
            return true;
        };
        h.acceptNarrow = [this](std::string& path, const TempCandidate& c, bool& exclamation) {
            tried.push_back({c.kind, c.strict});
            exclamation = hasExclamationMark(path);
            if (exclamation) return false;
            return writable.count(path) > 0 || (!c.strict && writable.count("relaxed:" + path) > 0);
        };
        h.acceptWide = [this](const std::wstring& path, const TempCandidate&, bool& exclamation) {
            exclamation = hasExclamationMark(path);
            return !exclamation && writableWide.count(path) > 0;
        };
        return h;
    }

    void both(int kind, const std::string& path) {
        narrow[kind] = path;
        wide[kind] = std::wstring(path.begin(), path.end());
    }
};

std::vector<int> kinds(const std::vector<TempCandidate>& candidates) {
    std::vector<int> out;
    for (const TempCandidate& c : candidates) out.push_back(c.kind);
    return out;
}

}  // namespace

TEST(TempSearchTable, OrderAndArguments) {
    std::vector<TempCandidate> first = firstPassCandidates(true, true);
    EXPECT_EQ(kinds(first), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    for (const TempCandidate& c : first) {
        bool userPlace = c.kind <= 5;
        EXPECT_EQ(c.strict, userPlace) << c.kind;
        EXPECT_EQ(c.preferLong, userPlace) << c.kind;
        EXPECT_EQ(c.create, c.kind == 1 || c.kind == 2 || c.kind == 5 || c.kind == 10) << c.kind;
    }
    EXPECT_EQ(kinds(firstPassCandidates(false, false)), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_FALSE(firstPassCandidates(false, false)[0].preferLong);

    std::vector<TempCandidate> second = secondPassCandidates(true, true);
    EXPECT_EQ(kinds(second), (std::vector<int>{1, 2, 3, 4}));
    for (const TempCandidate& c : second) {
        EXPECT_FALSE(c.strict);
        EXPECT_TRUE(c.preferLong);
        EXPECT_EQ(c.create, c.kind <= 2);
    }
    EXPECT_EQ(kinds(secondPassCandidates(false, true)), (std::vector<int>{2, 3, 4}));
}

TEST(TempSearch, FirstCandidatePassingBothTestsWins) {
    FakeMachine m;
    m.both(kTempPath, "C:\\t\\");
    m.both(kWindowsTemp, "C:\\w\\temp");
    m.writable = {"C:\\t\\", "C:\\w\\temp"};
    m.writableWide = {L"C:\\w\\temp"};  // the wide test fails for the user temp
    std::string narrow;
    std::wstring wide;
    EXPECT_EQ(searchTempRoot(false, false, m.hooks(), narrow, wide), kWindowsTemp);
    EXPECT_EQ(narrow, "C:\\w\\temp");
    EXPECT_EQ(wide, L"C:\\w\\temp");
}

TEST(TempSearch, ExclamationCandidatesAreNeverRetried) {
    FakeMachine m;
    m.both(kTempPath, "C:\\bang!\\");
    m.both(kUserProfileTemp, "C:\\a!\\b");
    m.both(kHomeDirectory, "C:\\home");
    // Would pass the relaxed test, were they retried.
    m.writable = {"relaxed:C:\\bang!\\", "relaxed:C:\\a!\\b", "relaxed:C:\\home"};
    m.writableWide = {L"C:\\home"};
    std::string narrow;
    std::wstring wide;
    EXPECT_EQ(searchTempRoot(false, false, m.hooks(), narrow, wide), kHomeDirectory);
    EXPECT_EQ(narrow, "C:\\home");
    std::vector<std::pair<int, bool>> secondPass(m.tried.end() - 1, m.tried.end());
    EXPECT_EQ(secondPass, (std::vector<std::pair<int, bool>>{{kHomeDirectory, false}}));
}

TEST(TempSearch, WideExclamationAlsoBlocksTheSecondPass) {
    FakeMachine m;
    m.narrow[kTempPath] = "C:\\plain";
    m.wide[kTempPath] = L"C:\\odd!";
    m.writable = {"C:\\plain"};
    m.writableWide = {};
    std::string narrow = "x";
    std::wstring wide = L"x";
    EXPECT_EQ(searchTempRoot(false, false, m.hooks(), narrow, wide), 0);
    EXPECT_EQ(narrow, "");
    EXPECT_EQ(wide, L"");
    int tries = 0;
    for (auto& t : m.tried) tries += t.first == kTempPath;
    EXPECT_EQ(tries, 1);
}

TEST(TempSearch, LocalAppDataOnlyWhenAskedForInEitherPass) {
    FakeMachine m;
    m.both(kLocalAppData, "C:\\local\\tessaly\\t");
    m.writable = {"relaxed:C:\\local\\tessaly\\t"};
    m.writableWide = {L"C:\\local\\tessaly\\t"};
    std::string narrow;
    std::wstring wide;
    EXPECT_EQ(searchTempRoot(false, false, m.hooks(), narrow, wide), 0);
    for (auto& t : m.tried) EXPECT_NE(t.first, kLocalAppData);

    m.tried.clear();
    EXPECT_EQ(searchTempRoot(true, false, m.hooks(), narrow, wide), kLocalAppData);
    // Rejected strictly first, accepted in the relaxed pass.
    EXPECT_EQ(m.tried.front(), std::make_pair(static_cast<int>(kLocalAppData), true));
    EXPECT_EQ(m.tried.back(), std::make_pair(static_cast<int>(kLocalAppData), false));
}

TEST(TempSearch, SecondPassRelaxesAUserTempRejectedStrictly) {
    FakeMachine m;
    m.both(kTempPath, "C:\\GR__~5UU");
    m.writable = {"relaxed:C:\\GR__~5UU"};
    m.writableWide = {L"C:\\GR__~5UU"};
    std::string narrow;
    std::wstring wide;
    EXPECT_EQ(searchTempRoot(false, false, m.hooks(), narrow, wide), kTempPath);
    EXPECT_EQ(narrow, "C:\\GR__~5UU");
}

TEST(TempSearch, NarrowTestMayReplaceThePath) {
    FakeMachine m;
    m.both(kTempPath, "C:\\PROG~1");
    m.writable = {"C:\\PROG~1"};
    m.writableWide = {L"C:\\PROG~1"};
    TempSearchHooks hooks = m.hooks();
    auto plain = hooks.acceptNarrow;
    hooks.acceptNarrow = [plain](std::string& path, const TempCandidate& c, bool& exclamation) {
        bool ok = plain(path, c, exclamation);
        if (ok && c.preferLong) path = "C:\\Program Files";
        return ok;
    };
    std::string narrow;
    std::wstring wide;
    EXPECT_EQ(searchTempRoot(false, true, hooks, narrow, wide), kTempPath);
    EXPECT_EQ(narrow, "C:\\Program Files");
    EXPECT_EQ(wide, L"C:\\PROG~1");
}

// The wide test is left out only where it can tell nothing new.
TEST(TempSearch, WideTestRepeatsNarrowOnlyForTheSameAsciiDirectory) {
    const std::string temp = "C:\\Users\\me\\Temp", shortForm = "C:\\Users\\ME~1\\Temp";
    struct Case {
        const char* label;
        std::string narrow;
        std::optional<std::string> longForm;
        std::wstring wide;
        bool strict, repeats;
    } cases[] = {
        {"same ASCII path, long form itself", temp, temp, L"C:\\Users\\me\\Temp", true, true},
        {"relaxed test needs no long form", temp, std::nullopt, L"C:\\Users\\me\\Temp", false, true},
        {"strict test without a long form", temp, std::nullopt, L"C:\\Users\\me\\Temp", true, false},
        {"8.3 form: the wide long form may differ", shortForm, temp, L"C:\\Users\\ME~1\\Temp", true, false},
        {"wide path differs", temp, temp, L"C:\\Users\\me\\Tmp", true, false},
        {"wide path longer", temp, temp, L"C:\\Users\\me\\Temp\\x", false, false},
        {"non-ASCII narrow", "C:\\Gr\xfc\xdfe", std::string("C:\\Gr\xfc\xdfe"), L"C:\\Gr\u00fc\u00dfe", true, false},
        {"case differs", temp, temp, L"C:\\users\\me\\Temp", false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wideTestRepeatsNarrow(c.narrow, c.longForm ? &*c.longForm : nullptr, c.wide, c.strict), c.repeats)
            << c.label;
}

TEST(TempNames, DirectoryProbeAndFallbackFile) {
    EXPECT_EQ(launcherTempDirName("C:\\t\\vbx1A2.tmp", 1700000000LL), "C:\\t\\vbx1A2.tmp_dir1700000000");
    EXPECT_EQ(probeDirName(std::string("C:\\t\\"), 42, 7), "C:\\t\\\\vbxtw427");
    EXPECT_EQ(probeDirName(std::wstring(L"C:\\t"), 42, 17), L"C:\\t\\vbxtw4217");
    EXPECT_EQ(tempFileStem("C:\\t", 99), "C:\\t\\vbx99");
    EXPECT_EQ(tempFileStem("C:\\t/", 5), "C:\\t/vbx5");
}

TEST(TempNames, LeftOverLauncherTempDirectories) {
    const std::pair<const char*, const char*> cases[] = {
        {"vbx1A2f.tmp_dir1700000000", "vbx1A2f.tmp"},
        {"vbx12345_dir17", "vbx12345"},  // the name made when no temporary file could be
        {"vbx1A2.tmp", nullptr},         {"vbx1A2.tmp_dir", nullptr},
        {"vbx1A2.tmp_dir17x", nullptr},  {"vbxG1.tmp_dir17", nullptr},
        {"vbx.tmp_dir17", nullptr},      {"vbx1A_dir17", nullptr},
        {"vbxtw4217", nullptr},          {"VBX1.tmp_dir17", nullptr},
        {"xvbx1.tmp_dir17", nullptr},    {"vbx1.tmp.tmp_dir17", nullptr},
    };
    for (const auto& [name, stem] : cases) {
        auto found = launcherTempDirStem(name);
        EXPECT_EQ(found.has_value(), stem != nullptr) << name;
        if (found && stem) EXPECT_EQ(*found, stem) << name;
    }
}
