#include "package/msi_config.h"

#include <algorithm>
#include <cstring>
#include <set>

#include <nlohmann/json.hpp>

#include "config/config_keys.h"
#include "service/service_settings.h"
#include "package/name_uuid.h"
#include "base/pack_error.h"
#include "image/version_resource.h"

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

// Upgrade codes made from names share this namespace (not the one of the
// other codes, so that a pinned code never meets a derived one).
const Uuid kUpgradeSpace = {0x3b, 0x1f, 0x8a, 0x52, 0x90, 0x4d, 0x4c, 0x1e,
                            0x8e, 0x27, 0x61, 0xd4, 0x0a, 0x9b, 0x35, 0xc8};

std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

class MsiReader {
public:
    MsiReader(const fs::path& configPath) : file_(configPath.string()), baseDir_(configPath.parent_path()) {}

    MsiPackage read(const Json& root, bool& derived) {
        MsiPackage p;
        p.serviceName = requiredText(root, "serviceName", "the service the package installs");
        p.version = text(root, "version");
        if (p.version.empty())
            fail("version", "required for a package: it is the product version that upgrades compare");
        checkVersion(p.version);
        p.manufacturer = requiredText(root, "companyName", "the publisher that Apps & features shows");
        p.productName = root.contains("productName") ? text(root, "productName") : p.serviceName;
        if (p.productName.empty()) p.productName = p.serviceName;
        p.x64 = root.contains(kArchitectureKey) && root[kArchitectureKey] == "x64";
        // A raw id writes the same entry as its named key.
        for (const char* key : {"executableType", "107"})
            if (root.contains(key) && (root[key] == 4 || root[key] == "4")) p.autoStart = true;
        for (const char* key : {"serviceAccount", "30101"})
            if (root.contains(key) && root[key].is_string() &&
                accountKind(root[key].get<std::string>()) == AccountKind::User)
                fail(key, "a package cannot install a service under a user account, whose password it would have to "
                          "carry; use \"virtual\", \"LocalService\" or \"NetworkService\", or install with /install");
        if (root.contains(kIconKey) && root[kIconKey].is_string()) p.icon = resolve(root[kIconKey].get<std::string>());

        Json installer = root.contains(kInstallerKey) ? root[kInstallerKey] : Json::object();
        checkObject(installer, kInstallerKey, {"files", "directory", "upgradeCode", "executableName"});
        const std::string at = std::string(kInstallerKey) + ".";

        p.executableName = installer.contains("executableName") ? text(installer, "executableName", at)
                                                                 : p.serviceName + ".exe";
        checkName(p.executableName, at + "executableName");
        if (lower(fs::u8path(p.executableName).extension().u8string()) != ".exe")
            fail(at + "executableName", "\"" + p.executableName + "\" does not end in .exe");

        std::string directory = installer.contains("directory") ? text(installer, "directory", at)
                                                               : p.manufacturer + "\\" + p.productName;
        p.installDirectory = splitPath(directory, at + "directory");

        if (installer.contains("upgradeCode")) {
            Uuid code;
            std::string given = text(installer, "upgradeCode", at);
            if (!parseUuid(given, code))
                fail(at + "upgradeCode", "expected a GUID such as \"{12345678-9ABC-DEF0-1234-56789ABCDEF0}\", got \"" +
                                             given + "\"");
            p.upgradeCode = uuidText(code);
            derived = false;
        } else {
            p.upgradeCode = derivedUpgradeCode(p.serviceName, p.manufacturer);
            derived = true;
        }

        std::set<std::string> taken = {lower(p.executableName)};
        if (installer.contains("files")) {
            const Json& files = installer["files"];
            if (!files.is_array()) wrongType(at + "files", "an array", files);
            for (size_t i = 0; i < files.size(); ++i) {
                std::string where = at + "files[" + std::to_string(i) + "]";
                checkObject(files[i], where, {"source", "name"});
                if (!files[i].contains("source")) fail(where, "missing \"source\"");
                std::string source = text(files[i], "source", where + ".");
                if (source.empty()) fail(where + ".source", "empty path");
                fs::path path = resolve(source);
                std::error_code error;
                auto status = fs::status(path, error);
                if (!fs::exists(status)) fail(where + ".source", "not found: " + path.string());
                std::string name = files[i].contains("name") ? text(files[i], "name", where + ".")
                                                             : fs::u8path(source).lexically_normal().filename().u8string();
                if (name.empty()) name = path.lexically_normal().parent_path().filename().u8string();
                std::string target = joinPath(splitPath(name, where + ".name"));
                if (fs::is_directory(status)) {
                    addDirectory(p, path, target, where, taken);
                } else if (fs::is_regular_file(status)) {
                    add(p, path, target, where, taken);
                } else {
                    fail(where + ".source", "neither a file nor a directory: " + path.string());
                }
            }
        }
        return p;
    }

private:
    [[noreturn]] void fail(const std::string& where, const std::string& what) const {
        throw PackError(file_ + ": " + where + ": " + what);
    }
    [[noreturn]] void wrongType(const std::string& where, const std::string& expected, const Json& value) const {
        fail(where, "expected " + expected + ", got " + value.type_name());
    }

    std::string text(const Json& object, const std::string& key, const std::string& prefix = "") const {
        if (!object.contains(key)) return "";
        const Json& value = object[key];
        if (!value.is_string()) wrongType(prefix + key, "a string", value);
        std::string result = value.get<std::string>();
        for (char c : result)
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                fail(prefix + key, "contains a control character, which a package cannot hold");
        return result;
    }

    std::string requiredText(const Json& root, const std::string& key, const std::string& what) const {
        std::string value = text(root, key);
        if (value.empty()) fail(key, "required for a package: " + what);
        return value;
    }

    void checkObject(const Json& value, const std::string& where, const std::set<std::string>& allowed) const {
        if (!value.is_object()) wrongType(where, "an object", value);
        for (const auto& [key, item] : value.items())
            if (!allowed.count(key)) fail(where + "." + key, "unknown key (see docs/configuration.md)");
    }

    // Windows Installer compares major.minor.build, up to 255.255.65535.
    void checkVersion(const std::string& version) const {
        std::string why;
        auto parts = parseVersionNumber(version, why);
        if (!parts) fail("version", "\"" + version + "\": " + why);
        if ((*parts)[0] > 255 || (*parts)[1] > 255)
            fail("version", "\"" + version + "\": a package's version takes at most 255 for its first two parts");
    }

    fs::path resolve(const std::string& text) const {
        fs::path path = fs::u8path(text);
        return path.is_relative() ? baseDir_ / path : path;
    }

    // A Windows file or directory name inside the install directory.
    void checkName(const std::string& name, const std::string& where) const {
        if (name.empty()) fail(where, "empty name");
        if (name == "." || name == "..") fail(where, "\"" + name + "\" leaves the install directory");
        for (char c : name)
            if (static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"/\\|?*", c))
                fail(where, "\"" + name + "\" contains a character not allowed in a Windows file name");
        if (name.back() == ' ' || name.back() == '.')
            fail(where, "\"" + name + "\" ends in a blank or a dot, which Windows drops");
    }

    // A relative path below the install directory (or below Program Files),
    // parts joined by backslashes.
    std::vector<std::string> splitPath(const std::string& path, const std::string& where) const {
        if (path.empty()) fail(where, "empty path");
        if (path.find('/') != std::string::npos) fail(where, "use backslashes between the names: \"" + path + "\"");
        if (path[0] == '\\' || (path.size() > 1 && path[1] == ':'))
            fail(where, "\"" + path + "\" leaves the install directory: give a relative path");
        std::vector<std::string> parts;
        size_t start = 0;
        for (;;) {
            size_t slash = path.find('\\', start);
            std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            if (part == "..") fail(where, "\"" + path + "\" leaves the install directory");
            if (part != "." && !part.empty()) {
                checkName(part, where);
                parts.push_back(part);
            }
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
        if (parts.empty()) fail(where, "\"" + path + "\" names no file or directory");
        return parts;
    }

    static std::string joinPath(const std::vector<std::string>& parts) {
        std::string joined;
        for (const std::string& part : parts) joined += (joined.empty() ? "" : "\\") + part;
        return joined;
    }

    void add(MsiPackage& p, const fs::path& source, const std::string& target, const std::string& where,
             std::set<std::string>& taken) const {
        if (!taken.insert(lower(target)).second)
            fail(where, "\"" + target + "\" is installed twice (or is the launcher's name)");
        p.files.push_back({target, source});
    }

    void addDirectory(MsiPackage& p, const fs::path& source, const std::string& target, const std::string& where,
                      std::set<std::string>& taken) const {
        std::vector<fs::path> found;
        std::error_code error;
        for (fs::recursive_directory_iterator it(source, error), end; !error && it != end; it.increment(error)) {
            if (it->is_symlink() && it->is_directory())
                fail(where + ".source", "a link to a directory, which is not followed: " + it->path().string());
            if (it->is_regular_file()) found.push_back(it->path());
        }
        if (error) fail(where + ".source", source.string() + ": cannot read: " + error.message());
        std::sort(found.begin(), found.end());
        for (const fs::path& file : found) {
            std::string relative;
            for (const fs::path& part : file.lexically_relative(source)) {
                checkName(part.u8string(), where + ".source: " + file.string());
                relative += "\\" + part.u8string();
            }
            add(p, file, target + relative, where, taken);
        }
    }

    std::string file_;
    fs::path baseDir_;
};

}  // namespace

std::string derivedUpgradeCode(const std::string& serviceName, const std::string& companyName) {
    // Windows compares service names without regard to case.
    return uuidText(nameUuid(kUpgradeSpace, lower(companyName) + "\n" + lower(serviceName)));
}

MsiPackage readMsiPackage(const std::string& configText, const fs::path& configPath, bool& upgradeCodeDerived) {
    Json root;
    try {
        root = Json::parse(configText);
    } catch (const Json::exception& e) {
        throw PackError(configPath.string() + ": " + e.what());
    }
    if (!root.is_object()) throw PackError(configPath.string() + ": expected an object at the top level");
    return MsiReader(configPath).read(root, upgradeCodeDerived);
}
