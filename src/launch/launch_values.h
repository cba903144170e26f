// The platform-free parts of starting the VM: the launcher's system
// properties, the VM thread's stack size from "-Xss" options, and the Java
// program's parameter list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct LauncherPropertyValues {
    std::optional<std::string> semaphoreName;
    bool previousJdk = false;
    bool installerFlavour = false;
    bool serviceMode = false;
    std::string executablePath;  // narrow
    std::string launcherTempDirectory;
    int64_t unextractedPosition = 0;
    std::optional<std::string> libraryPath;  // PATH, when set and not empty
    std::optional<unsigned> consoleCodePage;  // absent when MANPATH is set
};

// The "java.library.path" value is read into a buffer of this many
// characters: a longer PATH is cut behind its last ";" within the first
// kLibraryPathBufferSize - 1 characters, so that no directory is cut in two.
constexpr size_t kLibraryPathBufferSize = 12000;
std::string fitLibraryPath(const std::string& path);

// "-Dname=value" options in their fixed order.
std::vector<std::string> buildLauncherProperties(const LauncherPropertyValues& values);

// The last "-Xss" size above 0, low 32 bits, at least 65536; 0 for none.
uint32_t vmThreadStackSize(const std::vector<std::string>& options);

// After the launcher parameters: the first launch argument unfiltered, the
// configured program arguments, then the other launch arguments without the
// "-J" ones (when they are VM options) and the locale-format ones.
std::vector<std::wstring> programParameters(const std::vector<std::wstring>& launcherParameters,
                                            const std::vector<std::wstring>& arguments,
                                            const std::vector<std::wstring>& configuredArguments,
                                            bool jArgumentsAreVmOptions);
