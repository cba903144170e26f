#include "jvmsearch/jvm_sources.h"

#include <vector>

#include "core/config/config_ids.h"
#include "core/config/config_store.h"
#include "core/log.h"
#include "jvmsearch/java_check.h"
#include "jvmsearch/java_runtime.h"
#include "jvmsearch/search_text.h"

namespace {

constexpr const char* kInstallationsKey = "SOFTWARE\\quindle\\tessaly\\installations";
constexpr const char* kLocatedKey = "SOFTWARE\\quindle\\vorbix\\locatedjvms\\";
constexpr DWORD kRegistryTextSize = 6000;

struct VendorKey {
    HKEY hive;
    const char* path;
    VendorLayout layout;
    bool skippedWhenJdkRequired;
};

const VendorKey kVendorKeys[] = {
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\JRE", VendorLayout::JavaSoft, true},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\JDK", VendorLayout::JavaSoft, false},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\Java Runtime Environment", VendorLayout::JavaSoft, true},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\Java Development Kit", VendorLayout::JavaSoft, false},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\JDK", VendorLayout::Msi, false},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Eclipse Adoptium\\JDK", VendorLayout::Msi, false},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Eclipse Adoptium\\JRE", VendorLayout::Msi, true},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Azul Systems\\Zulu", VendorLayout::Zulu, false},
    {HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\JDK", VendorLayout::Msi, false},
    {HKEY_CURRENT_USER, "SOFTWARE\\Eclipse Adoptium\\JDK", VendorLayout::Msi, false},
    {HKEY_CURRENT_USER, "SOFTWARE\\Eclipse Adoptium\\JRE", VendorLayout::Msi, true},
    {HKEY_CURRENT_USER, "SOFTWARE\\Azul Systems\\Zulu", VendorLayout::Zulu, false},
};

struct RegistryKey {
    HKEY key = nullptr;
    ~RegistryKey() {
        if (key) RegCloseKey(key);
    }
};

bool readStringValue(HKEY key, const char* name, std::string& out) {
    std::vector<char> buffer(kRegistryTextSize + 1, '\0');
    DWORD size = kRegistryTextSize - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return false;
    buffer[size < kRegistryTextSize ? size : kRegistryTextSize - 1] = '\0';
    out = buffer.data();
    return true;
}

std::vector<std::string> subkeyNames(HKEY key) {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[kRegistryTextSize];
        DWORD size = sizeof name;
        LONG result = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) continue;
        names.emplace_back(name, size);
    }
    return names;
}

bool tryHome(const std::string& home, std::string& javaExe, std::string& version, const VersionVector& min,
             const VersionVector& max) {
    return javaExeFromHome(javaExe, home) && checkJavaExe(javaExe, version, min, max, false, true, true);
}

}  // namespace

bool findJavaFromEnvironment(const char* name, std::string& javaExe, std::string& version, const VersionVector& min,
                             const VersionVector& max) {
    std::vector<char> buffer(kRegistryTextSize, '\0');
    DWORD length = GetEnvironmentVariableA(name, buffer.data(), kRegistryTextSize);
    if (length == 0 || length >= kRegistryTextSize) return false;
    std::string home(buffer.data(), length);
    for (char& c : home)
        if (c == '/') c = '\\';
    return tryHome(home, javaExe, version, min, max);
}

bool findJavaOnPath(std::string& javaExe, std::string& version, const VersionVector& min, const VersionVector& max) {
    std::vector<char> buffer(kRegistryTextSize, '\0');
    DWORD length = SearchPathA(nullptr, jre::kJavaExe, nullptr, kRegistryTextSize, buffer.data(), nullptr);
    if (length == 0 || length >= kRegistryTextSize) return false;
    javaExe.assign(buffer.data(), length);
    return checkJavaExe(javaExe, version, min, max, false, true, true);
}

bool findInstallationJava(HKEY hive, REGSAM view, std::string& javaExe, std::string& version,
                          const VersionVector& min, const VersionVector& max) {
    std::string applicationId = dupString(cfg::kApplicationId);
    if (applicationId.size() > kRegistryTextSize - 1) applicationId.resize(kRegistryTextSize - 1);
    logMessage(L"checking app id %S (%d, %p)", applicationId.c_str(), static_cast<int>(view),
               static_cast<void*>(hive));
    if (applicationId.empty()) return false;
    RegistryKey key;
    LONG result = RegOpenKeyExA(hive, kInstallationsKey, 0, KEY_READ | view, &key.key);
    if (result != ERROR_SUCCESS) {
        logMessage(L"could not open installation node %d", static_cast<int>(result));
        return false;
    }
    std::string directories;
    if (!readStringValue(key.key, applicationId.c_str(), directories) || directories.empty()) {
        logMessage(L"could not query value node %d", 0);
        return false;
    }
    logMessage(L"found installations: %S", directories.c_str());
    size_t start = 0;
    while (start <= directories.size()) {
        size_t end = directories.find(';', start);
        if (end == std::string::npos) end = directories.size();
        if (end > start) {
            std::string home = directories.substr(start, end - start) + "\\jre";
            if (!javaExeFromHome(javaExe, home)) {
                logMessage(L"did not find java in %S", home.c_str());
            } else if (checkJavaExe(javaExe, version, min, max, false, true, true)) {
                return true;
            } else {
                logMessage(L"java version did not match in %S", home.c_str());
            }
        }
        start = end + 1;
    }
    return false;
}

bool findPreviousInstallation(std::string& javaExe, std::string& version, const VersionVector& min,
                              const VersionVector& max) {
    if (findInstallationJava(HKEY_CURRENT_USER, 0, javaExe, version, min, max) ||
        findInstallationJava(HKEY_CURRENT_USER, KEY_WOW64_32KEY, javaExe, version, min, max)) {
        logMessage(L"found JRE from previous installation (user) %S", javaExe.c_str());
        return true;
    }
    if (findInstallationJava(HKEY_LOCAL_MACHINE, 0, javaExe, version, min, max) ||
        findInstallationJava(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, javaExe, version, min, max)) {
        logMessage(L"found JRE from previous installation (machine) %S", javaExe.c_str());
        return true;
    }
    return false;
}

bool findVendorKeyJava(HKEY hive, const char* keyPath, VendorLayout layout, std::string& javaExe,
                       std::string& version, const VersionVector& min, const VersionVector& max) {
    RegistryKey key;
    if (RegOpenKeyExA(hive, keyPath, 0, KEY_READ, &key.key) != ERROR_SUCCESS) return false;
    std::vector<std::string> kept;
    for (const std::string& name : subkeyNames(key.key)) {
        std::string testName = layout == VendorLayout::Zulu ? zuluTestName(name) : name;
        logMessage(L"test key name %S %S", testName.c_str(), name.c_str());
        if (versionMatchesPrefix(testName, min, max)) kept.push_back(name);
    }
    sortNamesNewestFirst(kept);
    for (const std::string& name : kept) logMessage(L"found in %S: %S", keyPath, name.c_str());
    for (const std::string& name : kept) {
        std::string subkeyPath = layout == VendorLayout::Msi ? name + "\\hotspot\\MSI" : name;
        const char* valueName = layout == VendorLayout::JavaSoft ? "JavaHome"
                                : layout == VendorLayout::Msi    ? "Path"
                                                                 : "InstallationPath";
        RegistryKey subkey;
        if (RegOpenKeyExA(key.key, subkeyPath.c_str(), 0, KEY_READ, &subkey.key) != ERROR_SUCCESS) continue;
        std::string home;
        if (readStringValue(subkey.key, valueName, home) && tryHome(home, javaExe, version, min, max)) return true;
    }
    return false;
}

bool findVendorRegistryJava(std::string& javaExe, std::string& version, const VersionVector& min,
                            const VersionVector& max) {
    bool jdkRequired = getInt(cfg::kRequireJdk) != 0;
    std::vector<JavaCandidate> candidates;
    for (const VendorKey& vendor : kVendorKeys) {
        if (jdkRequired && vendor.skippedWhenJdkRequired) continue;
        JavaCandidate candidate;
        if (findVendorKeyJava(vendor.hive, vendor.path, vendor.layout, candidate.javaExe, candidate.version, min, max))
            candidates.push_back(candidate);
    }
    if (candidates.empty()) return false;
    sortNewestFirst(candidates);
    for (const auto& c : candidates) logMessage(L"found registry jre %S %S", c.javaExe.c_str(), c.version.c_str());
    javaExe = candidates.front().javaExe;
    version = candidates.front().version;
    return true;
}

bool findLocatedInHive(HKEY hive, const char* keyPath, std::string& javaExe, std::string& version,
                       const VersionVector& min, const VersionVector& max) {
    version.clear();
    RegistryKey key;
    if (RegOpenKeyExA(hive, keyPath, 0, KEY_READ, &key.key) != ERROR_SUCCESS) return false;
    bool found = false;
    for (const std::string& name : subkeyNames(key.key)) {
        std::string path = name;
        for (char& c : path)
            if (c == '/') c = '\\';
        if (path.find("tsy_jres") != std::string::npos) continue;
        std::string candidateVersion;
        if (checkJavaExe(path, candidateVersion, min, max, true, true, true) &&
            (!found || isNewerVersion(candidateVersion, version))) {
            javaExe = path;
            version = candidateVersion;
            found = true;
        }
    }
    return found;
}

bool findLocatedJava(const char* keyPath, std::string& javaExe, std::string& version, const VersionVector& min,
                     const VersionVector& max) {
    JavaCandidate user, machine;
    bool hasUser = findLocatedInHive(HKEY_CURRENT_USER, keyPath, user.javaExe, user.version, min, max);
    bool hasMachine = findLocatedInHive(HKEY_LOCAL_MACHINE, keyPath, machine.javaExe, machine.version, min, max);
    const JavaCandidate* chosen = nullptr;
    if (hasUser && hasMachine) chosen = isNewerVersion(user.version, machine.version) ? &user : &machine;
    else if (hasUser) chosen = &user;
    else if (hasMachine) chosen = &machine;
    if (!chosen) return false;
    javaExe = chosen->javaExe;
    version = chosen->version;
    return true;
}

bool findRegistryJava(std::string& javaExe, std::string& version, const VersionVector& min,
                      const VersionVector& max) {
    if (getInt(cfg::kDisableRegistrySource) != 0) return false;
    JavaCandidate vendor, located;
    bool hasVendor = findVendorRegistryJava(vendor.javaExe, vendor.version, min, max);
    if (hasVendor) logMessage(L"found sun %S %S", vendor.javaExe.c_str(), vendor.version.c_str());
    bool hasLocated = findLocatedJava(kLocatedKey, located.javaExe, located.version, min, max);
    if (hasLocated) logMessage(L"found located %S %S", located.javaExe.c_str(), located.version.c_str());
    const JavaCandidate* chosen = nullptr;
    if (hasVendor && hasLocated) chosen = isNewerVersion(vendor.version, located.version) ? &vendor : &located;
    else if (hasVendor) chosen = &vendor;
    else if (hasLocated) chosen = &located;
    if (!chosen) return false;
    javaExe = chosen->javaExe;
    version = chosen->version;
    return true;
}
