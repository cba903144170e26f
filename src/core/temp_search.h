// The order of the temp root search and the names the temp directory code
// forms, free of the platform: the Windows side supplies the candidates'
// paths and the acceptance tests through hooks.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Candidate numbers in the order of the first pass.
enum TempCandidateKind {
    kLocalAppData = 1,     // local application data folder + "\tessaly\t"
    kTempPath = 2,         // GetTempPath
    kUserProfileTemp = 3,  // %USERPROFILE%\AppData\Local\Temp
    kHomeDirectory = 4,    // %HOMEDRIVE%%HOMEPATH%
    kCommonAppData = 5,    // common application data folder + "\tessaly\temp"
    kWindowsTemp = 6,      // Windows directory + "\temp"
    kDriveTemp = 7,        // c:\temp
    kDriveTmp = 8,         // c:\tmp
    kWindowsDirectory = 9,
    kDriveTmpCreated = 10  // c:\tmp, created
};

struct TempCandidate {
    int kind;
    bool create;
    bool strict;
    bool preferLong;  // narrow test only
};

// The first pass (candidate 1 only when asked for) and the relaxed second
// pass over candidates 1 to 4.
std::vector<TempCandidate> firstPassCandidates(bool tryLocalAppData, bool preferLong);
std::vector<TempCandidate> secondPassCandidates(bool tryLocalAppData, bool preferLong);

struct TempSearchHooks {
    // Forms the candidate's path; false skips the candidate.
    std::function<bool(int kind, std::string& path)> formNarrow;
    std::function<bool(int kind, std::wstring& path)> formWide;
    // The acceptance tests; they set exclamation when they rejected the path
    // for an exclamation mark. The narrow test may replace the path.
    std::function<bool(std::string& path, const TempCandidate&, bool& exclamation)> acceptNarrow;
    std::function<bool(const std::wstring& path, const TempCandidate&, bool& exclamation)> acceptWide;
};

// Runs both passes. Gives the accepted candidate's kind and its two paths, or
// 0 when every candidate failed. A candidate that either test rejected for an
// exclamation mark in the first pass is not retried.
int searchTempRoot(bool tryLocalAppData, bool preferLong, const TempSearchHooks& hooks, std::string& narrow,
                   std::wstring& wide);

// Whether the wide test of a candidate can only repeat what the narrow test
// just found: the wide path is the narrow path as formed, all ASCII (so both
// name one directory), and, for a strict test, the narrow test saw that
// path's long form and it was the path itself (so the wide long form is the
// same ASCII text, which passes every wide check). narrowLongForm is null
// when the narrow test fetched no long form.
bool wideTestRepeatsNarrow(const std::string& narrowFormed, const std::string* narrowLongForm,
                           const std::wstring& wide, bool strict);

// "<tempFile>_dir<seconds>": the launcher temp directory beside the
// temporary file that names it.
std::string launcherTempDirName(const std::string& tempFileName, int64_t secondsSince1970);
// The temporary file's name of a launcher temp directory's name (no path):
// "vbx" and hexadecimal digits and ".tmp" (or the fallback's decimal
// digits), then "_dir" and decimal digits; nothing for any other name.
std::optional<std::string> launcherTempDirStem(const std::string& name);
// The file in a launcher temp directory that its process holds open, without
// sharing, for its whole life: a directory whose lock can be opened is left
// over from a process that ended.
constexpr const char* kLauncherTempLockName = "vbx.lock";
// "<dir>\vbxtw<pid><number>": the directory the write probe creates.
std::string probeDirName(const std::string& directory, int processId, int number);
std::wstring probeDirName(const std::wstring& directory, int processId, int number);
// "<root>vbx<number>" with a separator after the root unless it has one.
std::string tempFileStem(const std::string& tempRoot, int number);
