// The main attributes of a jar's manifest (META-INF/MANIFEST.MF), read from
// the archive's central directory, stored or deflated.
#pragma once

#include <filesystem>
#include <map>
#include <string>

// Attribute name -> value of the manifest's main section (continuation lines
// joined). Empty when the jar has no manifest; PackError when the file is
// no zip archive or cannot be read.
std::map<std::string, std::string> readJarManifest(const std::filesystem::path& jar);

// The main section of a manifest's text.
std::map<std::string, std::string> parseManifest(const std::string& text);
