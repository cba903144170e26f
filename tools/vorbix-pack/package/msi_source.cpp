#include "package/msi_source.h"

#include <map>
#include <sstream>

#include "package/name_uuid.h"

namespace {

// The namespace of every name-based code vorbix-pack derives.
const Uuid kCodeSpace = {0x67, 0xc7, 0x1e, 0xd3, 0x21, 0x7c, 0x4e, 0x63,
                         0xad, 0x49, 0x23, 0x8f, 0x7d, 0x70, 0xe5, 0x57};

std::string derived(const std::string& name) { return uuidText(nameUuid(kCodeSpace, name)); }

std::string asciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string threeParts(const std::string& version) {
    std::string parts[3] = {"0", "0", "0"};
    std::istringstream in(version);
    std::string part;
    for (int i = 0; i < 3 && std::getline(in, part, '.'); ++i) parts[i] = std::to_string(std::stoul(part));
    return parts[0] + "." + parts[1] + "." + parts[2];
}

// The directories below the install directory, each with its files.
struct DirectoryNode {
    std::string name;
    std::string id;
    std::vector<std::string> childOrder;              // keys of children, in first-seen order
    std::map<std::string, DirectoryNode> children;    // by lower-case name
    std::vector<const MsiFile*> files;
};

class SourceWriter {
public:
    explicit SourceWriter(const MsiPackage& package) : p_(package) {}

    std::string write() {
        for (const MsiFile& file : p_.files) place(file);
        const char* win64 = p_.x64 ? " Win64=\"yes\"" : "";
        out_ << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
             << "<!-- Written by vorbix-pack msi. Build: " << buildHint() << " -->\n"
             << "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n"
             << "  <?define vbxDollar = \"$\" ?>\n"
             << "  <Product Id=\"" << productCode(p_.upgradeCode, p_.version) << "\" Name=\""
             << wixAttribute(p_.productName) << "\" Language=\"1033\" Version=\"" << p_.version
             << "\" Manufacturer=\"" << wixAttribute(p_.manufacturer) << "\" UpgradeCode=\"" << p_.upgradeCode
             << "\">\n"
             << "    <Package InstallerVersion=\"500\" Compressed=\"yes\" InstallScope=\"perMachine\" Description=\""
             << wixAttribute(p_.productName) << "\" Manufacturer=\"" << wixAttribute(p_.manufacturer) << "\"/>\n"
             << "    <Media Id=\"1\" Cabinet=\"package.cab\" EmbedCab=\"yes\"/>\n";
        // The old version goes, with its service, before the new one is
        // installed: otherwise its removal would take the new service away.
        if (p_.builder == WixBuilder::Wixl)
            out_ << "    <MajorUpgrade DowngradeErrorMessage=\"A newer version of [ProductName] is already "
                    "installed.\"/>\n";
        else
            out_ << "    <MajorUpgrade Schedule=\"afterInstallValidate\" DowngradeErrorMessage=\"A newer version of "
                    "[ProductName] is already installed.\"/>\n";
        if (!p_.icon.empty())
            out_ << "    <Icon Id=\"product.ico\" SourceFile=\"" << wixAttribute(p_.icon.u8string()) << "\"/>\n"
                 << "    <Property Id=\"ARPPRODUCTICON\" Value=\"product.ico\"/>\n";
        out_ << "    <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n"
             << "      <Directory Id=\"" << (p_.x64 ? "ProgramFiles64Folder" : "ProgramFilesFolder") << "\">\n";
        std::string indent = "        ";
        for (size_t i = 0; i + 1 < p_.installDirectory.size(); ++i) {
            out_ << indent << "<Directory Id=\"vbxParent" << i + 1 << "\" Name=\""
                 << wixAttribute(p_.installDirectory[i]) << "\">\n";
            indent += "  ";
        }
        out_ << indent << "<Directory Id=\"INSTALLDIR\" Name=\"" << wixAttribute(p_.installDirectory.back())
             << "\">\n";
        out_ << indent << "  <Component Id=\"vbxLauncher\" Guid=\"" << componentGuid(p_.executableName) << "\""
             << win64 << ">\n"
             << indent << "    <File Id=\"vbxLauncherExe\" Name=\"" << wixAttribute(p_.executableName)
             << "\" Source=\"" << wixAttribute(p_.executableSource.u8string()) << "\" KeyPath=\"yes\"/>\n";
        if (p_.autoStart)
            out_ << indent << "    <ServiceControl Id=\"vbxServiceStart\" Name=\""
                 << wixAttribute(formattedLiteral(p_.serviceName)) << "\" Start=\"install\" Wait=\"yes\"/>\n";
        out_ << indent << "  </Component>\n";
        components_.push_back("vbxLauncher");
        writeContents(root_, indent + "  ", win64);
        out_ << indent << "</Directory>\n";
        for (size_t i = 0; i + 1 < p_.installDirectory.size(); ++i) {
            indent.resize(indent.size() - 2);
            out_ << indent << "</Directory>\n";
        }
        out_ << "      </Directory>\n"
             << "    </Directory>\n"
             << "    <Feature Id=\"Complete\" Level=\"1\">\n";
        for (const std::string& id : components_) out_ << "      <ComponentRef Id=\"" << id << "\"/>\n";
        out_ << "    </Feature>\n";
        // The launcher registers and removes its service itself, as its own
        // verbs do from a console: the program path quoted, every setting
        // applied or none.
        out_ << "    <CustomAction Id=\"vbxInstallService\" FileKey=\"vbxLauncherExe\" ExeCommand=\"" << kInstallVerb
             << "\" Execute=\"deferred\" Impersonate=\"no\" Return=\"check\"/>\n"
             << "    <CustomAction Id=\"vbxRemoveServiceOnRollback\" FileKey=\"vbxLauncherExe\" ExeCommand=\""
             << kRemoveVerb << "\" Execute=\"rollback\" Impersonate=\"no\" Return=\"ignore\"/>\n"
             << "    <CustomAction Id=\"vbxRemoveService\" FileKey=\"vbxLauncherExe\" ExeCommand=\"" << kRemoveVerb
             << "\" Execute=\"deferred\" Impersonate=\"no\" Return=\"check\"/>\n"
             << "    <InstallExecuteSequence>\n";
        if (p_.builder == WixBuilder::Wixl) out_ << "      <RemoveExistingProducts Sequence=\"1401\"/>\n";
        // Removal before the files go (the launcher does it) and before the
        // installer's own stop, which does not wait everywhere.
        out_ << "      <Custom Action=\"vbxRemoveService\" Sequence=\"1850\">REMOVE~=\"ALL\"</Custom>\n"
             // Rollback runs backwards: the service goes while its program is still there.
             << "      <Custom Action=\"vbxRemoveServiceOnRollback\" Sequence=\"4001\">NOT REMOVE</Custom>\n"
             << "      <Custom Action=\"vbxInstallService\" Sequence=\"4002\">NOT REMOVE</Custom>\n"
             << "    </InstallExecuteSequence>\n"
             << "  </Product>\n"
             << "</Wix>\n";
        return out_.str();
    }

private:
    std::string buildHint() const {
        const char* arch = p_.x64 ? "x64" : "x86";
        if (p_.builder == WixBuilder::Wixl) return std::string("wixl -a ") + arch + " -o PACKAGE.msi THIS.wxs";
        return std::string("candle -arch ") + arch + " THIS.wxs, then light THIS.wixobj -o PACKAGE.msi";
    }

    // One component per installed path; the two architectures install into
    // different Program Files, so they do not share components.
    std::string componentGuid(const std::string& target) const {
        return derived("component\n" + p_.upgradeCode + "\n" + (p_.x64 ? "x64\n" : "x86\n") + asciiLower(target));
    }

    void place(const MsiFile& file) {
        DirectoryNode* node = &root_;
        std::string rest = file.target;
        for (size_t slash; (slash = rest.find('\\')) != std::string::npos; rest = rest.substr(slash + 1)) {
            std::string name = rest.substr(0, slash);
            std::string key = asciiLower(name);
            auto found = node->children.find(key);
            if (found == node->children.end()) {
                DirectoryNode child;
                child.name = name;
                child.id = "vbxDir" + std::to_string(++directories_);
                node->childOrder.push_back(key);
                found = node->children.emplace(key, std::move(child)).first;
            }
            node = &found->second;
        }
        node->files.push_back(&file);
    }

    void writeContents(const DirectoryNode& node, const std::string& indent, const char* win64) {
        for (const MsiFile* file : node.files) {
            std::string id = std::to_string(++files_);
            std::string name = file->target.substr(file->target.rfind('\\') + 1);
            out_ << indent << "<Component Id=\"vbxComponent" << id << "\" Guid=\"" << componentGuid(file->target)
                 << "\"" << win64 << ">\n"
                 << indent << "  <File Id=\"vbxFile" << id << "\" Name=\"" << wixAttribute(name) << "\" Source=\""
                 << wixAttribute(file->source.u8string()) << "\" KeyPath=\"yes\"/>\n"
                 << indent << "</Component>\n";
            components_.push_back("vbxComponent" + id);
        }
        for (const std::string& key : node.childOrder) {
            const DirectoryNode& child = node.children.at(key);
            out_ << indent << "<Directory Id=\"" << child.id << "\" Name=\"" << wixAttribute(child.name) << "\">\n";
            writeContents(child, indent + "  ", win64);
            out_ << indent << "</Directory>\n";
        }
    }

    const MsiPackage& p_;
    std::ostringstream out_;
    DirectoryNode root_;
    int directories_ = 0;
    int files_ = 0;
    std::vector<std::string> components_;
};

}  // namespace

std::string productCode(const std::string& upgradeCode, const std::string& version) {
    return derived("product\n" + upgradeCode + "\n" + threeParts(version));
}

std::string wixAttribute(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            case '\t': out += "&#9;"; break;
            case '\n': out += "&#10;"; break;
            case '\r': out += "&#13;"; break;
            // A variable that is "$": neither builder reads its value again.
            case '$': out += "$(var.vbxDollar)"; break;
            default: out += c;
        }
    }
    return out;
}

std::string formattedLiteral(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '[' || c == ']' || c == '{' || c == '}')
            out += std::string("[\\") + c + "]";
        else
            out += c;
    }
    return out;
}

std::string wixSource(const MsiPackage& package) { return SourceWriter(package).write(); }
