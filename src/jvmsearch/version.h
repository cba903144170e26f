// Java version arithmetic: a version text as a list of numbers, the bound
// checks, the "newer" order, the beta policy and the version found in the
// output of `java -version`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The numeric components of a version text; empty is a bound accepting all.
using VersionVector = std::vector<int32_t>;

// Splits at '.', '_', '-' and '+' (runs of them give no empty components);
// each piece is read like atoi (no digits = 0). Null or empty gives {}.
VersionVector parseVersion(const char* text);
inline VersionVector parseVersion(const std::string& text) { return parseVersion(text.c_str()); }

// Bounds are inclusive at their own precision. With prefixOnly, components
// the version lacks are not compared; otherwise they count as 0.
bool compareWithBound(const VersionVector& bound, const VersionVector& version, bool isMaximum, bool prefixOnly);
// A registry key name against both bounds, prefix-only.
bool versionMatchesPrefix(const std::string& text, const VersionVector& min, const VersionVector& max);
// True when a is strictly newer than b; a longer version with an equal
// prefix is newer.
bool isNewerVersion(const std::string& a, const std::string& b);

// "beta", "-ea" or "-rc" anywhere (case-sensitive).
bool isBetaVersion(const std::string& version);
// The beta policy (refused unless allowBeta or entry 130) and both bounds.
bool isVersionAcceptable(const std::string& version, const VersionVector& min, const VersionVector& max,
                         bool allowBeta);

// The version in `java -version` output: on each line the text after
// ` version "` up to the next quote (without one, the rest of the line less
// its last two characters). The last matching line wins; false when none.
bool extractJavaVersion(const std::string& output, std::string& version);
