// The temp root (one writable directory per process, narrow and wide form),
// the launcher temp directory created under it for extracted files, and the
// exit routine that removes that directory.
#pragma once

#include <optional>
#include <string>

// The narrow temp root; fatal (message 1015) when none exists.
std::string getTempRoot();
// The wide temp root; when none exists fatal if required, else empty.
std::wstring getTempRootWide(bool required);
void findTempRoot();
// The narrow temp root, searched for when not known yet; nothing (and no
// error) when there is none.
std::optional<std::string> tempRootIfFound();
// The narrow temp root only if an earlier request found it (no search).
std::optional<std::string> knownTempRoot();

// A fresh temporary file name under the temp root.
std::string makeTempFileName();

// Creates the protected launcher temp directory; fatal (1009 "7") after ten
// failed attempts.
void createLauncherTempDir();
// The access list it is created with (security descriptor text): full
// access for Administrators, the owner and Local System only, not inherited
// from the temp root.
const char* launcherTempDirSecurity();
// The launcher temp directory path; empty when none exists.
const std::string& launcherTempDirectory();
void setLauncherTempDirectory(const std::string& path);

// Deletes a directory's contents, entering subdirectories depth more levels.
void emptyDirectory(const std::string& path, int depth);

// Lets go of its lock, removes the launcher temp directory (if any) and ends
// the process.
[[noreturn]] void exitLauncher(int exitCode);

// The acceptance tests of one temp root candidate. They set exclamation when
// they rejected the path for an exclamation mark; the narrow test may replace
// the path by its long form (preferLong). longFormSeen, when given, gets the
// long form the narrow test fetched (untouched when it fetched none).
bool acceptTempCandidate(std::string& path, bool create, bool strict, bool preferLong, bool& exclamation,
                         std::optional<std::string>* longFormSeen = nullptr);
bool acceptTempCandidateWide(const std::wstring& path, bool create, bool strict, bool& exclamation);
// Creates and finds a uniquely named directory inside, then removes it.
bool probeWritableDir(const std::string& directory);
bool probeWritableDirWide(const std::wstring& directory);
