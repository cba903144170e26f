// Configured class path and module path entry lists: ";"-separated entries of
// a type letter (A, D, E, S), a required flag ("1") and a value.
#pragma once

#include <string>
#include <vector>

struct PathEntry {
    char type;
    bool required;
    std::string value;  // launcher variables not yet expanded
};

// Pieces shorter than two characters are skipped.
std::vector<PathEntry> parsePathEntries(const std::string& list);

// An environment value with one pair of surrounding double quotes removed,
// followed by ";" unless it already ends with one.
std::string environmentPathValue(const std::string& value);
