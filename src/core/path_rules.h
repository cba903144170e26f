// The platform-free rules behind the path utilities: text tests on paths
// that need no file system, shared by the Windows code and the unit tests.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// True when the text from the second character on is exactly ":\", ":\." or
// ":\.\.": a drive root, which counts as existing without asking the platform.
bool isDriveRootForm(const std::string& path);
bool isDriveRootForm(const std::wstring& path);

// Contains "!\" anywhere or ends with "!": such a directory never becomes the
// temp root (the Java side treats "!/" as the end of a jar path).
bool hasExclamationMark(const std::string& path);
bool hasExclamationMark(const std::wstring& path);

// Lower-cases the ASCII letters A to Z only.
void lowerAsciiInPlace(std::wstring& text);

// The text up to and including its last "\" or "/" (empty when there is none).
std::string cutAfterLastSeparator(const std::string& path);
std::wstring cutAfterLastSeparator(const std::wstring& path);

// Appends "\" unless the text is empty or already ends in "\" or "/".
void appendSeparatorIfMissing(std::string& path);
void appendSeparatorIfMissing(std::wstring& path);

// The body of resolvePathList: clears out, then appends every non-empty
// ";"-separated piece through appendAbsolute, ";" between pieces, and hands
// each piece as appended to the callback.
void joinPathList(std::string& out, const std::string& list,
                  const std::function<void(std::string& out, const std::string& piece)>& appendAbsolute,
                  void (*callback)(const std::string& entry));

// A platform query that reported a length this large did not fit its buffer
// of kPathBufferSize characters; its result must not be used.
bool overflowsPathBuffer(size_t reportedLength);
