#include "jvmsearch/jvm_search.h"

#include <cstdio>
#include <vector>

#include "core/config/config_ids.h"
#include "core/config/config_store.h"
#include "core/log.h"
#include "core/paths.h"
#include "jvmsearch/java_check.h"
#include "jvmsearch/jvm_loader.h"
#include "jvmsearch/jvm_sources.h"
#include "jvmsearch/launcher_architecture.h"
#include "jvmsearch/non_working.h"
#include "jvmsearch/packed_runtime.h"
#include "jvmsearch/search_text.h"
#include "jvmsearch/selected_jvm.h"

namespace {

constexpr size_t kBoundTextSize = 2000;
constexpr size_t kLineSize = 6000;

using RegistrySource = bool (*)(std::string&, std::string&, const VersionVector&, const VersionVector&);

// Retries a registry source while a candidate's library fails to load: the
// rejected executable goes on the non-working list, which checkJavaExe
// refuses, so the source hands out its next candidate.
HMODULE loadFromRegistrySource(RegistrySource source, std::string& javaExe, std::string& version,
                               JvmSourceKind& kind, const VersionVector& min, const VersionVector& max,
                               bool* previousInstallation) {
    for (;;) {
        if (!source(javaExe, version, min, max)) return nullptr;
        kind = kSourceRegistry;
        if (HMODULE library = loadJvmFromJavaExe(javaExe)) {
            if (previousInstallation) *previousInstallation = true;
            return library;
        }
        if (!addNonWorkingJava(javaExe)) return nullptr;
    }
}

}  // namespace

void readVersionBounds(VersionVector& min, VersionVector& max) {
    std::vector<char> minText(kBoundTextSize, '\0'), maxText(kBoundTextSize, '\0');
    copyString(cfg::kMinJavaVersion, minText.data(), minText.size());
    copyString(cfg::kMaxJavaVersion, maxText.data(), maxText.size());
    logMessage(L"MinVersion: %S, MaxVersion: %S", minText.data(), maxText.data());
    min = parseVersion(minText.data());
    max = parseVersion(maxText.data());
    selectedJvm().oldMinimum = min.size() >= 2 && min[0] == 1 && min[1] < 8;
}

bool readLocationFile(const std::wstring& relativeName, std::string& line) {
    std::wstring directory;
    getWideString(cfg::kApplicationDirectory, directory);
    std::wstring path;
    canonicalPathWide(path, directory, false, true);
    path += relativeName;
    FILE* file = _wfopen(path.c_str(), L"rt");
    if (!file) return false;
    std::vector<char> buffer(kLineSize, '\0');
    bool read = std::fgets(buffer.data(), static_cast<int>(buffer.size()), file) != nullptr;
    std::fclose(file);
    if (!read) return false;
    line = buffer.data();
    trimLineEnd(line);
    return true;
}

bool testLocation(std::string& javaExe, std::string& version, const std::string& location, const VersionVector& min,
                  const VersionVector& max, bool allowBeta, bool acceptAnyway) {
    std::string home;
    canonicalPath(home, location, false);
    unpackPackedRuntime(home);
    if (javaExeFromHome(javaExe, home) && checkJavaExe(javaExe, version, min, max, allowBeta, true, true)) return true;
    return acceptAnyway;
}

HMODULE searchJvm(std::string& javaExe, std::string& version, JvmSourceKind& kind, std::string& description,
                  LocationExpander expand) {
    logMessage(L"Searching for a JVM");
    kind = kSourceNone;
    VersionVector min, max;
    readVersionBounds(min, max);
    std::vector<char> sequenceText(kLineSize, '\0');
    copyString(cfg::kJvmSearchSequence, sequenceText.data(), sequenceText.size());
    std::vector<SearchEntry> entries = splitSearchSequence(sequenceText.data());
    HMODULE library = nullptr;

    std::string line;
    if (readLocationFile(L"\\.tessaly\\pref_jre.cfg", line)) {
        logMessage(L"Has preferred location %S", line.c_str());
        if (testLocation(javaExe, version, line, min, max, true, false)) {
            logMessage(L"Using preferred location");
            description = line;
            kind = kSourceDirectory;
            if ((library = loadJvmFromJavaExe(javaExe))) return library;
        }
    }

    bool acceptDirectories = getInt(cfg::kAcceptDirectoriesUnchecked) != 0;
    for (const SearchEntry& entry : entries) {
        std::string value = entry.value;
        expand(value);
        description.clear();
        logMessage(L"Testing location %S (type %c)", value.c_str(), static_cast<int>(entry.type));
        switch (entry.type) {
            case 'A':
            case 'B':
            case 'R':
                if (testLocation(javaExe, version, value, min, max, false, acceptDirectories)) {
                    description = value;
                    kind = kSourceDirectory;
                    library = loadJvmFromJavaExe(javaExe);
                }
                break;
            case 'E':
                if (findJavaFromEnvironment(value.c_str(), javaExe, version, min, max)) {
                    description = value;
                    kind = kSourceEnvironment;
                    library = loadJvmFromJavaExe(javaExe);
                }
                break;
            case 'S':
                if (findJavaOnPath(javaExe, version, min, max)) {
                    description = value;
                    kind = kSourceSearchPath;
                    library = loadJvmFromJavaExe(javaExe);
                }
                break;
            case 'I':
                library = loadFromRegistrySource(findPreviousInstallation, javaExe, version, kind, min, max,
                                                 &selectedJvm().previousInstallation);
                break;
            case 'Y':
                library = loadFromRegistrySource(findRegistryJava, javaExe, version, kind, min, max, nullptr);
                break;
            default:
                break;
        }
        if (library) return library;
    }

    if (readLocationFile(L"\\.tessaly\\inst_jre.cfg", line)) {
        logMessage(L"Has installer location %S", line.c_str());
        if (testLocation(javaExe, version, line, min, max, false, false)) {
            logMessage(L"Using installer location");
            description = line;
            kind = kSourceDirectory;
            if ((library = loadJvmFromJavaExe(javaExe))) return library;
        }
    }

    for (const SearchEntry& entry : entries) {
        if (entry.type != 'A' && entry.type != 'B' && entry.type != 'R') continue;
        if (entry.type != 'B' && isAbsoluteLocation(entry.value)) continue;
        logMessage(L"Testing relative location %S", entry.value.c_str());
        testLocation(javaExe, version, entry.value, min, max, true, true);
        if (pathExists(javaExe)) {
            logMessage(L"%S exists", javaExe.c_str());
            description = entry.value;
            kind = kSourceDirectory;
            if ((library = loadJvmFromJavaExe(javaExe))) return library;
        }
    }

    logMessage(L"Search sequence finished");
    for (const char* name : {"VORBIX_JAVA_HOME", "TESSALY_JAVA_HOME"}) {
        if (findJavaFromEnvironment(name, javaExe, version, min, max)) {
            description = name;
            kind = kSourceEnvironment;
            if ((library = loadJvmFromJavaExe(javaExe))) return library;
        }
    }
    return library;
}

bool LoadDLL(const char* forcedLocation, LocationExpander expand) {
    logMessage(L"LoadDLL (%d, %S, %d)", 1, forcedLocation, 0);
    std::string javaExe, version, description;
    JvmSourceKind kind = kSourceNone;
    HMODULE library = nullptr;
    if (forcedLocation) {
        logMessage(L"Got JRE location %S (java exe: %d)", forcedLocation, 0);
        VersionVector min, max;
        readVersionBounds(min, max);
        testLocation(javaExe, version, forcedLocation, min, max, true, true);
        description = forcedLocation;
        library = loadJvmFromJavaExe(javaExe);
        kind = kSourceDirectory;
    } else {
        library = searchJvm(javaExe, version, kind, description, expand);
        if (kind == kSourceNone) {
            logError(L"No JVM found");
            reportMessage(cfg::kMsgNoJvmFound, kLauncherBits);
            return false;
        }
    }

    SelectedJvm& selected = selectedJvm();
    selected.jreHome = javaExeDirectory(javaExe) + "\\..";
    selected.javaVersion = version;
    selected.vmLibrary = library;

    if (!library) logError(L"Could not get DLL-Handle.");
    bool resolved = resolveCreateJavaVM(library);
    if (!resolved) logError(L"Could not load functions");
    if (library && resolved) {
        logMessage(L"Loading of JVM-DLL successful");
        return true;
    }
    switch (kind) {
        case kSourceSearchPath: reportMessage(cfg::kMsgNoJvmFound, kLauncherBits); break;
        case kSourceDirectory: reportMessage(cfg::kMsgDirectoryJvmNotLoadable, description.c_str()); break;
        case kSourceEnvironment: reportMessage(cfg::kMsgEnvJvmNotLoadable, description.c_str()); break;
        default: reportMessage(cfg::kMsgRegistryJvmNotLoadable); break;
    }
    return false;
}
