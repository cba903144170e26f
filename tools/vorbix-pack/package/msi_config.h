// What `vorbix-pack msi` takes from CONFIG.json: the service and product
// keys the package needs and the "installer" section (files installed
// beside the launcher, the install directory, the upgrade code, the
// launcher's file name), checked so that every problem is one line.
#pragma once

#include <filesystem>
#include <string>

#include "package/msi_source.h"

// Everything but executableSource and builder. `upgradeCodeDerived` says
// that the code was made from the service and company names.
MsiPackage readMsiPackage(const std::string& configText, const std::filesystem::path& configPath,
                          bool& upgradeCodeDerived);

// The upgrade code made from the service and company names when the
// configuration gives none.
std::string derivedUpgradeCode(const std::string& serviceName, const std::string& companyName);
