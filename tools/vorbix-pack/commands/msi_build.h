// vorbix-pack msi: the launcher packed as build packs it, and a Windows
// Installer package that installs it with the configured files and
// registers its service.
#pragma once

#include <filesystem>
#include <ostream>

struct MsiRequest {
    std::filesystem::path config;
    std::filesystem::path output;      // the .msi; empty: CONFIG with the extension .msi
    std::filesystem::path wxs;         // keep the WiX source (and the launcher beside it) here; may be empty
    std::filesystem::path stub;        // as build's --stub
    std::filesystem::path toolDirectory;
};

// Prints the upgrade code and what was written on `out`. Bad input is a
// PackError with exit code 2 before anything is written.
void buildPackage(const MsiRequest& request, std::ostream& out);
