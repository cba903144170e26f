// Choosing the Java runtime: a forced location, or the configured search
// sequence with its location files, relative pass and product variables;
// the first candidate whose VM library loads is recorded in selectedJvm().
#pragma once

#include <windows.h>

#include <string>

#include "jvmsearch/version.h"

enum JvmSourceKind { kSourceNone = 0, kSourceSearchPath = 1, kSourceDirectory = 2, kSourceEnvironment = 3,
                     kSourceRegistry = 4 };

// Expands the launcher variables in a configured search location, in place.
// The variables belong to the launch, which sits above the search, so the
// caller passes their expansion in.
using LocationExpander = void (*)(std::string& text);

// True when the VM library is loaded and JNI_CreateJavaVM resolved; on false
// the user has been shown the error.
bool LoadDLL(const char* forcedLocation, LocationExpander expand);

HMODULE searchJvm(std::string& javaExe, std::string& version, JvmSourceKind& kind, std::string& description,
                  LocationExpander expand);
bool testLocation(std::string& javaExe, std::string& version, const std::string& location, const VersionVector& min,
                  const VersionVector& max, bool allowBeta, bool acceptAnyway);
bool readLocationFile(const std::wstring& relativeName, std::string& line);
void readVersionBounds(VersionVector& min, VersionVector& max);
