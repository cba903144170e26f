#include "core/temp_search.h"

#include <map>

#include "core/format.h"
#include "core/path_rules.h"

std::vector<TempCandidate> firstPassCandidates(bool tryLocalAppData, bool preferLong) {
    std::vector<TempCandidate> candidates;
    if (tryLocalAppData) candidates.push_back({kLocalAppData, true, true, preferLong});
    candidates.push_back({kTempPath, true, true, preferLong});
    candidates.push_back({kUserProfileTemp, false, true, preferLong});
    candidates.push_back({kHomeDirectory, false, true, preferLong});
    candidates.push_back({kCommonAppData, true, true, preferLong});
    candidates.push_back({kWindowsTemp, false, false, false});
    candidates.push_back({kDriveTemp, false, false, false});
    candidates.push_back({kDriveTmp, false, false, false});
    candidates.push_back({kWindowsDirectory, false, false, false});
    candidates.push_back({kDriveTmpCreated, true, false, false});
    return candidates;
}

std::vector<TempCandidate> secondPassCandidates(bool tryLocalAppData, bool preferLong) {
    std::vector<TempCandidate> candidates;
    if (tryLocalAppData) candidates.push_back({kLocalAppData, true, false, preferLong});
    candidates.push_back({kTempPath, true, false, preferLong});
    candidates.push_back({kUserProfileTemp, false, false, preferLong});
    candidates.push_back({kHomeDirectory, false, false, preferLong});
    return candidates;
}

namespace {

bool tryCandidate(const TempSearchHooks& hooks, const TempCandidate& candidate, bool& narrowFlag, bool& wideFlag,
                  std::string& narrow, std::wstring& wide) {
    narrowFlag = false;
    wideFlag = false;
    std::string narrowPath;
    if (!hooks.formNarrow(candidate.kind, narrowPath)) return false;
    if (!hooks.acceptNarrow(narrowPath, candidate, narrowFlag)) return false;
    std::wstring widePath;
    if (!hooks.formWide(candidate.kind, widePath)) return false;
    if (!hooks.acceptWide(widePath, candidate, wideFlag)) return false;
    narrow = narrowPath;
    wide = widePath;
    return true;
}

}  // namespace

int searchTempRoot(bool tryLocalAppData, bool preferLong, const TempSearchHooks& hooks, std::string& narrow,
                   std::wstring& wide) {
    std::map<int, bool> exclaimed;
    for (const TempCandidate& candidate : firstPassCandidates(tryLocalAppData, preferLong)) {
        bool narrowFlag = false, wideFlag = false;
        bool accepted = tryCandidate(hooks, candidate, narrowFlag, wideFlag, narrow, wide);
        exclaimed[candidate.kind] = exclaimed[candidate.kind] || narrowFlag || wideFlag;
        if (accepted) return candidate.kind;
    }
    for (const TempCandidate& candidate : secondPassCandidates(tryLocalAppData, preferLong)) {
        if (exclaimed[candidate.kind]) continue;
        bool narrowFlag = false, wideFlag = false;
        if (tryCandidate(hooks, candidate, narrowFlag, wideFlag, narrow, wide)) return candidate.kind;
    }
    narrow.clear();
    wide.clear();
    return 0;
}

bool wideTestRepeatsNarrow(const std::string& narrowFormed, const std::string* narrowLongForm,
                           const std::wstring& wide, bool strict) {
    if (wide.size() != narrowFormed.size()) return false;
    for (size_t i = 0; i < wide.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(narrowFormed[i]);
        if (c >= 0x80 || wide[i] != static_cast<wchar_t>(c)) return false;
    }
    return !strict || (narrowLongForm && *narrowLongForm == narrowFormed);
}

std::string launcherTempDirName(const std::string& tempFileName, int64_t secondsSince1970) {
    return formatNarrow("%s_dir%lld", tempFileName.c_str(), static_cast<long long>(secondsSince1970));
}

std::optional<std::string> launcherTempDirStem(const std::string& name) {
    auto digits = [](const std::string& text, size_t from, size_t to, bool hex) {
        if (from >= to) return false;
        for (size_t i = from; i < to; ++i) {
            char c = text[i];
            bool ok = (c >= '0' && c <= '9') || (hex && ((c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')));
            if (!ok) return false;
        }
        return true;
    };
    size_t dir = name.rfind("_dir");
    if (dir == std::string::npos || name.compare(0, 3, "vbx") != 0 || !digits(name, dir + 4, name.size(), false))
        return std::nullopt;
    std::string stem = name.substr(0, dir);
    bool tmp = stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".tmp") == 0;
    if (tmp ? !digits(stem, 3, stem.size() - 4, true) : !digits(stem, 3, stem.size(), false)) return std::nullopt;
    return stem;
}

std::string probeDirName(const std::string& directory, int processId, int number) {
    return formatNarrow("%s\\vbxtw%d%d", directory.c_str(), processId, number);
}

std::wstring probeDirName(const std::wstring& directory, int processId, int number) {
    return formatWide(L"%s\\vbxtw%d%d", directory.c_str(), processId, number);
}

std::string tempFileStem(const std::string& tempRoot, int number) {
    std::string stem = tempRoot;
    appendSeparatorIfMissing(stem);
    return formatNarrow("%svbx%d", stem.c_str(), number);
}
