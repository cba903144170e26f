// The process's DLL search: configured native library directories in front
// of PATH and as DLL directories, the start-up reduction of PATH, and the DLL
// directory add/remove used for a runtime's bin directory.
#pragma once

#include <string>

// A token from AddDllDirectory; 0 when nothing was added.
using DllDirectoryToken = void*;

DllDirectoryToken addDllDirectory(const std::string& directory);
void removeDllDirectory(DllDirectoryToken token);
// expand expands the launcher variables in the configured directories, in
// place; they belong to the launch, above this layer.
void prepareNativeLibraryPath(void (*expand)(std::string& text));
void reduceSearchPath();

// The narrow PATH (empty when unset), read whole whatever its length.
std::string currentPath();
// Sets PATH in the process environment and in the runtime library's table
// (what getenv reads). The table's copy is sized to the value, so no PATH
// length writes beyond it. False when the process variable could not be set.
bool setPathEverywhere(const std::string& value);
