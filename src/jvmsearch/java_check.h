// Judging one java executable: existence, a 32-bit x86 image, version bounds
// and beta policy, with the version from the per-user registry cache or from
// running `java -version`. Also the home-to-executable rule.
#pragma once

#include <cstdint>
#include <string>

#include "jvmsearch/version.h"

// On return javaExe is canonical and lower-cased, possibly switched to
// javaw.exe (executable type 1).
bool checkJavaExe(std::string& javaExe, std::string& version, const VersionVector& min, const VersionVector& max,
                  bool allowBeta, bool useCache, bool writeCache);

// home\jre\bin\java.exe when it exists, else home\bin\java.exe (judged
// later); with a JDK required, whether home\lib\tools.jar exists.
bool javaExeFromHome(std::string& javaExe, const std::string& home);

// The cache key below HKEY_CURRENT_USER for a java executable.
std::string versionCacheKey(const std::string& javaExe);
bool readVersionCache(const std::string& javaExe, uint64_t lastWriteTime, std::string& version, uint32_t& machine);
void writeVersionCache(const std::string& javaExe, uint64_t lastWriteTime, const std::string& version,
                       uint32_t machine);

// Runs `"<short path>" -version` with the Java option variables removed;
// the whole read and wait are bounded by kJavaVersionTimeoutMs.
constexpr uint32_t kJavaVersionTimeoutMs = 60000;
bool runJavaVersion(const std::string& javaExe, uint64_t lastWriteTime, std::string& version);
