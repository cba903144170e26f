// The JVM sources that are not plain directories: an environment variable
// holding a Java home, java.exe on the executable search path, earlier
// installations of this application, the Java vendors' registry keys and the
// located-JVM lists. Each gives at most one validated candidate per call.
#pragma once

#include <windows.h>

#include <string>

#include "jvmsearch/version.h"

bool findJavaFromEnvironment(const char* name, std::string& javaExe, std::string& version, const VersionVector& min,
                             const VersionVector& max);
bool findJavaOnPath(std::string& javaExe, std::string& version, const VersionVector& min, const VersionVector& max);
bool findPreviousInstallation(std::string& javaExe, std::string& version, const VersionVector& min,
                              const VersionVector& max);
bool findInstallationJava(HKEY hive, REGSAM view, std::string& javaExe, std::string& version,
                          const VersionVector& min, const VersionVector& max);
bool findRegistryJava(std::string& javaExe, std::string& version, const VersionVector& min,
                      const VersionVector& max);
bool findVendorRegistryJava(std::string& javaExe, std::string& version, const VersionVector& min,
                            const VersionVector& max);

enum class VendorLayout { JavaSoft, Msi, Zulu };
bool findVendorKeyJava(HKEY hive, const char* keyPath, VendorLayout layout, std::string& javaExe,
                       std::string& version, const VersionVector& min, const VersionVector& max);
bool findLocatedJava(const char* keyPath, std::string& javaExe, std::string& version, const VersionVector& min,
                     const VersionVector& max);
bool findLocatedInHive(HKEY hive, const char* keyPath, std::string& javaExe, std::string& version,
                       const VersionVector& min, const VersionVector& max);
