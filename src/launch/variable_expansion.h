// The launcher variables' replacement, free of the platform: the values and
// the environment block are handed in, so the order of replacement and the
// environment walk can be checked anywhere. launcher_variables.h supplies
// the real values.
#pragma once

#include <string>

template <class Char>
struct LauncherVariableValues {
    std::basic_string<Char> executableDirectory;    // ends in a backslash
    std::basic_string<Char> launcherTempDirectory;  // empty when none exists
    std::basic_string<Char> jvmHome;                // empty before a JVM is selected
    std::basic_string<Char> tempRoot;
    // When set, asked for the temp root in place of tempRoot, and only when a
    // text refers to it: finding it probes directories, and most texts and
    // runs never need it.
    std::basic_string<Char> (*findTempRoot)() = nullptr;
};

// Every case-sensitive occurrence, searching on behind each inserted value;
// logs "expanding2 ..." per replacement and returns their number.
size_t replaceAll(std::string& text, const std::string& pattern, const std::string& value);
size_t replaceAll(std::wstring& text, const std::wstring& pattern, const std::wstring& value);

// The built-in names in their fixed order, then "${NAME}" and its upper-cased
// form for every "NAME=value" entry of the environment block (NUL-separated
// entries ending with an empty one, as the platform gives it; null = empty).
void expandWithValues(std::string& text, const LauncherVariableValues<char>& values, const char* environment);
void expandWithValues(std::wstring& text, const LauncherVariableValues<wchar_t>& values,
                      const wchar_t* environment);
