// Matching a version string against the pattern of a version-specific option
// set: "?" is any one character, "*" any run; the whole text must match.
#pragma once

bool wildcardMatch(const char* pattern, const char* text);
