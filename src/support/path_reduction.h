// The start-up reduction of PATH to the entries inside the Windows directory.
#pragma once

#include <string>

// The ';'-separated entries (empty ones skipped) whose first characters equal
// windowsDirectory, compared case-insensitively over its length; kept in
// their order and spelling, joined by ';'.
std::wstring reducePathEntries(const std::wstring& path, const std::wstring& windowsDirectory);
