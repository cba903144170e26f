#include "package/msi_host.h"

#include "base/pack_error.h"

namespace fs = std::filesystem;

// wixl is a Linux program; on Windows the WiX toolset builds the package
// from the source vorbix-pack writes.
bool hostBuildsPackages() { return false; }

fs::path findProgram(const std::string&) { return {}; }

int runProgram(const fs::path&, const std::vector<std::string>&, std::string& output) {
    output = "not supported on Windows";
    return -1;
}

fs::path makeTemporaryDirectory(const fs::path& parent, const std::string&) {
    throw PackError(parent.string() + ": temporary directories are not used on Windows", kExitWriteFailed);
}
