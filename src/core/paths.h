// Path utilities: conversions between wide and narrow paths (the narrow form
// is in the code page of the platform's file functions), the executable's own
// path and directory, absolute and canonical forms of configured paths
// (relative ones are taken against the executable's directory), existence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Size of every path buffer.
constexpr size_t kPathBufferSize = 6000;

// Wide to narrow without best-fit characters; lossy is set when a character
// had no exact equivalent or the conversion failed (the result is then empty).
std::string toAnsi(const std::wstring& wide, bool* lossy = nullptr);
// Narrow to wide in the same code page (at most kPathBufferSize characters).
std::wstring fromAnsi(const std::string& narrow);

bool isRelativePath(const std::string& path);
bool isRelativePathWide(const std::wstring& path);

// Appends the path, made absolute, to out. A relative path is put behind the
// directory of baseFile when given, else behind the executable's directory.
void makeAbsolutePath(std::string& out, const std::string& path, const std::string* baseFile = nullptr);
void makeAbsolutePathWide(std::wstring& out, const std::wstring& path, bool useNarrowDerivedDirectory,
                          const std::wstring* baseFile = nullptr);

// Appends the canonical form (absolute, "." and ".." resolved, lower-cased
// unless keepCase) to out.
void canonicalPath(std::string& out, const std::string& path, bool keepCase);
void canonicalPathWide(std::wstring& out, const std::wstring& path, bool useNarrowDerivedDirectory, bool keepCase);

// Each non-empty ";"-separated entry made absolute, joined by ";"; the
// callback sees each entry as appended.
using PathListCallback = void (*)(const std::string& entry);
void resolvePathList(std::string& out, const std::string& list, PathListCallback callback = nullptr);

bool pathExists(const std::string& path);
bool pathExistsWide(const std::wstring& path);
bool findFileInfo(const std::string& path, uint64_t* lastWriteTime = nullptr);
bool findFileInfoWide(const std::wstring& path, uint64_t* lastWriteTime = nullptr);

// At least 5 characters and ending in ".exe", any case.
bool hasExeExtension(const std::string& path);

// The executable's own path, computed once.
const std::string& getExecutablePath();
const std::wstring& getExecutablePathWide();

// The executable's directory, each form ending in a backslash.
struct ExecutableDirectory {
    std::string narrow;             // the narrow path cut after its last separator
    std::wstring wideFromNarrow;    // that narrow form widened byte by byte
    std::wstring wide;              // the wide path cut after its last separator
};
const ExecutableDirectory& getExecutableDirectory();

// The 8.3 form of a path through the command interpreter, or nothing.
std::optional<std::string> shortPathViaShell(const std::wstring& path);

// Lower-cases in place when converting back is lossless.
void lowerCaseNarrowPath(std::string& path);

// Drops a backslash that follows a kept backslash, from start + 2 on (keeps
// the two leading backslashes of a UNC path when start is 0).
void collapseBackslashes(std::wstring& path, size_t start = 0);
void collapseBackslashes(std::string& path, size_t start = 0);
