// The text side of VM options files and version conditions, independent of
// where the text comes from.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Calls back with every option line of an options file read in text mode:
// CR before LF dropped, 0x1A ends the file, a last line without LF counts,
// white space trimmed at both ends, empty lines and lines starting with "#"
// skipped.
void forEachOptionsFileLine(const char* data, size_t size, const std::function<void(const std::string&)>& line);

// The major version of parsed version components: none gives -1; "1.x..."
// gives x; otherwise the first component.
int majorVersion(const std::vector<int>& components);

// A version-specific set's condition: "*pattern" matched against the whole
// version string, or "min-max" bounding the major version (inclusive).
bool versionConditionMatches(const std::string& condition, const std::string& version, int major);
