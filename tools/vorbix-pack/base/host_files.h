// What vorbix-pack does with files and its process that differs between
// POSIX (host_posix.cpp) and Windows (host_windows.cpp); the rest of the
// tool is the same code on both.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

std::FILE* openFile(const std::filesystem::path& path, const char* mode);
// 64-bit positions on both; false on failure.
bool seekFile(std::FILE* file, int64_t position);
int64_t fileSize(std::FILE* file);  // -1 when unknown

// A new, empty file beside `target` for reading and writing, named after it
// (its path in `temporary`); nullptr with errno set on failure.
std::FILE* createTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& temporary);
// Renames `from` onto `to`, replacing an existing file; false with errno set.
bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to);
void removeFile(const std::filesystem::path& path);

// Permission bits (POSIX; Windows has none that matter here).
using FileMode = unsigned;
FileMode fileModeOf(std::FILE* file);  // an executable mode when unknown
FileMode newFileMode();                // what the umask leaves of 0666
bool setFileMode(std::FILE* file, FileMode mode);

// The directory of the running tool.
std::filesystem::path toolDirectory(const char* argv0);
// The command line as UTF-8 (on Windows from the wide command line).
std::vector<std::string> utf8Arguments(int argc, char** argv);
// Standard output takes the same bytes on both (no LF to CR LF).
void prepareStandardStreams();
