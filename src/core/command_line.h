// The launcher's single rule for cutting a command line into arguments, and
// the small text helpers of the entry point built on it.
#pragma once

#include <string>
#include <vector>

// Blanks (space, tab) outside double quotes separate arguments; a double
// quote toggles quoting, except that a quote right after a closing quote is a
// literal quote. Backslashes are ordinary characters. A leading blank gives
// an empty first argument; trailing blanks add nothing.
std::vector<std::wstring> splitCommandLine(const std::wstring& text);

// The verb of an argument written as "/verb", "-verb" or "--verb"; the
// argument must start with '/' or '-'.
std::wstring verbOfArgument(const std::wstring& argument);

// The file name of a path without its directory and extension.
std::wstring programStem(const std::wstring& path);
