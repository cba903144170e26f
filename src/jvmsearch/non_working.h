// The process-wide list of java executables that validated but whose VM
// library did not load; checkJavaExe refuses them from then on.
#pragma once

#include <string>

constexpr size_t kNonWorkingCapacity = 50;

// Appends (duplicates allowed); true while the list holds fewer than 50.
bool addNonWorkingJava(const std::string& javaExe);
bool isNonWorkingJava(const std::string& javaExe);
void clearNonWorkingJavas();  // for tests
