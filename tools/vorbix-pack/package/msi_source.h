// The WiX source of a Windows Installer package that installs an
// application's launcher, the files beside it and its service: written for
// wixl on Linux, or for the WiX toolset on Windows.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct MsiFile {
    std::string target;              // below the install directory, parts joined by "\", UTF-8
    std::filesystem::path source;    // the file on the build machine
};

enum class WixBuilder { Wixl, WixToolset };

struct MsiPackage {
    std::string productName;         // UTF-8, as every text here
    std::string manufacturer;
    std::string version;             // at most 255.255.65535(.65535)
    std::string upgradeCode;         // "XXXXXXXX-XXXX-...", upper-case
    bool x64 = false;                // 64-bit Program Files and components
    std::vector<std::string> installDirectory;  // the directory names below Program Files
    std::string executableName;      // the launcher's file name in the install directory
    std::filesystem::path executableSource;
    std::vector<MsiFile> files;      // installed beside it, none named like it
    std::string serviceName;
    bool autoStart = false;          // started at the end of the install
    std::filesystem::path icon;      // the .ico of Apps & features; empty: none
    WixBuilder builder = WixBuilder::Wixl;
};

// The verbs the package runs the installed launcher with (deferred, as the
// system): registration at install, removal at uninstall and on rollback.
constexpr const char* kInstallVerb = "/install";
constexpr const char* kRemoveVerb = "/uninstall-if-installed";

// The product code: new for each version (its first three parts, the ones
// Windows Installer compares), the same for a rebuild of one version.
std::string productCode(const std::string& upgradeCode, const std::string& version);

std::string wixSource(const MsiPackage& package);

// Text for an attribute of the source: XML-escaped, and with "$" kept from
// the preprocessor (both builders read "$(" as the start of a variable).
std::string wixAttribute(const std::string& text);

// Text for a formatted column of the installer's tables ("[" and "]" and
// braces taken literally).
std::string formattedLiteral(const std::string& text);
