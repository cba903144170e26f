// The application's resources in its launcher: the version information and
// the icon that vorbix-pack build writes into the resource section of the
// stub, and reading them back for inspect.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/config/config_reader.h"
#include "image/icon_resource.h"
#include "image/pe_image.h"
#include "image/resource_tree.h"
#include "image/version_resource.h"

struct AppResources {
    std::optional<VersionInfo> version;  // when any version key is given
    std::vector<IconImage> icon;         // empty: no icon
    bool any() const { return version.has_value() || !icon.empty(); }
};

// The resources written for them (language neutral): RT_VERSION 1; RT_ICON
// 1, 2, ... and RT_GROUP_ICON 1.
std::vector<Resource> appResourceList(const AppResources& app);

// What a resource list holds of them. A warning is added when building from
// the result would not give these resources again (they were not written by
// vorbix-pack).
AppResources readAppResources(const std::vector<Resource>& resources, std::vector<std::string>& warnings,
                              const std::string& name);

// The resources of an image (empty without a resource directory).
std::vector<Resource> imageResources(ByteSource& source, const PeImage& image, const std::string& name);

// The stub rewritten for the application: `image` is the stub up to the end
// of its last section. Its own resources are kept but for the types the
// application's replace; a resource section that is the stub's last section
// (as in a launcher built earlier) is rebuilt in place, else a new one is
// added behind the last section. The certificate table entry (of a signed
// stub, whose signature lay behind its last section) is cleared. The result
// ends where its last section's raw data ends.
std::vector<uint8_t> rewriteStubImage(const std::vector<uint8_t>& image, const AppResources& app,
                                      const std::string& name);
