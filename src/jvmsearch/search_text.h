// Text rules of the JVM search: the search sequence's entries, the relative
// pass's absolute test, location-file lines, the java executable's directory
// and the order of registry candidates.
#pragma once

#include <string>
#include <vector>

struct SearchEntry {
    char type;          // A, B, R, E, S, I, Y or anything else (only logged)
    std::string value;  // possibly empty
};

// Split at ';', empty pieces dropped; the first character is the type.
std::vector<SearchEntry> splitSearchSequence(const std::string& sequence);

// The relative pass's test: longer than one character and a ':' second or
// two leading backslashes.
bool isAbsoluteLocation(const std::string& value);

// Drops all trailing CR and LF characters.
void trimLineEnd(std::string& line);

// The path without its final "\java.exe", or "\javaw.exe" when the path ends
// in exactly (case-sensitive) "javaw.exe". Cut to 1999 characters at most.
std::string javaExeDirectory(const std::string& javaExe);

// A Zulu key's name for the version pre-test: without a leading "zulu-".
std::string zuluTestName(const std::string& keyName);

struct JavaCandidate {
    std::string javaExe;
    std::string version;
};
// Newest first by isNewerVersion; equal versions keep their order.
void sortNewestFirst(std::vector<JavaCandidate>& candidates);
void sortNamesNewestFirst(std::vector<std::string>& names);
