// Class path and module path texts from the configured entry lists, the
// archives of a directory, and the installer flavour's runtime archive.
#pragma once

#include <string>

#include "core/config/config_ids.h"

// Appends the entries of list 121 (class path) or 132 (module path), each
// followed by ";". A required entry that is missing ends the process (1006,
// or 1008 for an environment variable that is not set).
void buildPathEntries(ConfigId list, std::string& text);

// Appends "<dir>\<name>;" for every file of the directory with the extension;
// false when the directory does not exist.
bool addArchivesFromDirectory(std::string& text, const std::string& directory, const std::string& extension);
// The same without asking first whether the directory exists (a missing one
// lists nothing either), for a directory the launcher made itself.
void appendArchives(std::string& text, const std::string& directory, const std::string& extension);

// Installer flavour only: "<installation dir>\.tessaly\tsyruntime.jar;".
void addRuntimeJar(std::string& text);
