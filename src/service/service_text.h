// Texts the service administration and the service host build: the
// dependency list handed to the service control manager and the worker's
// command line.
#pragma once

#include <string>
#include <vector>

// Names separated by ",", as the double-NUL list of the service API: every
// name followed by a NUL, then one more NUL. Empty pieces are dropped, blanks
// kept. An entry without names gives an empty string (no dependencies).
std::wstring buildDependencyList(const std::wstring& entry);

// The argument as it goes onto a command line: in double quotes when it
// contains a space (only the space counts; embedded quotes stay as they are).
std::wstring quoteIfSpaced(const std::wstring& argument);

// The worker's command line: the own arguments (the program first), the
// service name in second place, then the start arguments after the first
// (which is the service name), then the restart marker.
std::wstring buildWorkerCommandLine(const std::vector<std::wstring>& ownArguments, const std::wstring& serviceName,
                                    const std::vector<std::wstring>& startArguments);
