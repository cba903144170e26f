// What `vorbix-pack msi` needs of the system it runs on: Linux builds the
// package with wixl (msi_host_posix.cpp), Windows writes the WiX source for
// the WiX toolset (msi_host_windows.cpp).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Whether this build of the tool makes the package itself.
bool hostBuildsPackages();

// The program found on PATH, or an empty path.
std::filesystem::path findProgram(const std::string& name);

// Runs the program and waits for it; its standard output and error go to
// `output`. Returns its exit code (-1 when it could not be run).
int runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments, std::string& output);

// A new private directory inside `parent`, named after `stem`; PackError on failure.
std::filesystem::path makeTemporaryDirectory(const std::filesystem::path& parent, const std::string& stem);
