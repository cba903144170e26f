// vorbix-pack init: a starter CONFIG.json for a jar, with the main class from
// its manifest and defaults that pack and run as they stand.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

struct InitRequest {
    std::filesystem::path jar;
    std::string name;       // service and executable name; default: the jar's name without .jar
    std::string mainClass;  // default: the manifest's Main-Class
    std::optional<std::filesystem::path> output;  // default: NAME.json beside the jar
    bool force = false;     // replace an existing file
};

// The schema that the bundle ships, found from the tool's directory (the
// bundle's docs/ beside bin/, or the source tree's docs/ above build/native/).
std::optional<std::filesystem::path> findSchema(const std::filesystem::path& toolDirectory);

// The configuration for the jar; `schema` (relative to the JSON's directory
// or absolute) goes in as "$schema" when given.
nlohmann::ordered_json starterConfig(const InitRequest& request, const std::string& mainClass,
                                     const std::string& version, const std::string& schema);

// Reads the jar, writes the file and returns its path. PackError for a jar
// without Main-Class and no --main-class, a name that cannot be a service
// name, or an existing file without force.
std::filesystem::path initConfig(const InitRequest& request, const std::filesystem::path& toolDirectory,
                                 std::ostream& err);
