#include "commands/msi_build.h"

#include <sstream>

#include "base/file_source.h"
#include "base/host_files.h"
#include "base/pack_error.h"
#include "commands/pack_build.h"
#include "config/architecture.h"
#include "config/config_json.h"
#include "package/msi_config.h"
#include "package/msi_host.h"
#include "package/msi_source.h"

namespace fs = std::filesystem;

namespace {

// Removes the tool's working directory on every path.
struct TemporaryDirectory {
    fs::path path;
    ~TemporaryDirectory() {
        std::error_code error;
        if (!path.empty()) fs::remove_all(path, error);
    }
};

void writeText(const fs::path& path, const std::string& text) {
    FilePtr file(openFile(path, "wb"));
    if (!file || std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() || std::fflush(file.get()) != 0)
        throw PackError(path.string() + ": cannot write: " + systemErrorText(), kExitWriteFailed);
}

fs::path withExtension(fs::path path, const char* extension) { return path.replace_extension(extension); }

std::string firstLines(const std::string& text) {
    std::string lines;
    std::istringstream in(text);
    std::string line;
    // GLib's warnings about attributes it does not know are noise here.
    while (std::getline(in, line))
        if (!line.empty() && line.find("GLib-GObject-WARNING") == std::string::npos && line.find("(wixl:") != 0)
            lines += (lines.empty() ? "" : "; ") + line;
    return lines.empty() ? "no message" : lines;
}

}  // namespace

void buildPackage(const MsiRequest& request, std::ostream& out) {
    // Everything build checks, then what the package needs, before anything is written.
    std::string configText = readConfigText(request.config);
    parsePackConfig(configText, request.config);
    bool derived = false;
    MsiPackage package = readMsiPackage(configText, request.config, derived);
    bool local = hostBuildsPackages();
    package.builder = local ? WixBuilder::Wixl : WixBuilder::WixToolset;
    fs::path output = request.output.empty() ? withExtension(request.config, ".msi") : request.output;
    fs::path wixl;
    if (local) {
        wixl = findProgram("wixl");
        if (wixl.empty())
            throw PackError("wixl not found on PATH: install the Debian package wixl (apt-get install wixl), "
                            "which builds the package");
    }
    // Without wixl the source is the result: it goes where the package would.
    fs::path wxs = !request.wxs.empty() ? request.wxs : local ? fs::path() : withExtension(output, ".wxs");

    auto printUpgradeCode = [&] {
        out << "upgrade code {" << package.upgradeCode << "}"
            << (derived ? " (made from serviceName and companyName; set installer.upgradeCode to keep it when they "
                          "change)"
                        : "")
            << "\n";
    };

    TemporaryDirectory work;
    fs::path parent = fs::absolute(output).parent_path();
    if (local) work.path = makeTemporaryDirectory(parent, output.filename().string());
    // The launcher is part of the package's source: kept beside a kept WiX source.
    fs::path sourcePath = wxs.empty() ? work.path / "package.wxs" : wxs;
    fs::path sourceDirectory = fs::absolute(sourcePath).parent_path();
    fs::path exe = sourceDirectory / fs::u8path(package.executableName);
    buildLauncher(request.config, exe, request.stub, request.toolDirectory);
    {
        // The launcher decides where it goes: a --stub may be of either architecture.
        FilePtr built = openForReading(exe);
        FileByteSource source(built.get());
        stubImageEnd(source, exe.string());
        package.x64 = architectureName(stubMachine(source)) == "x64";
    }

    std::string arch = package.x64 ? "x64" : "x86";
    // wixl takes no absolute paths: everything is named from the source's directory.
    auto fromSource = [&](const fs::path& path) {
        fs::path relative = fs::absolute(path).lexically_normal().lexically_relative(sourceDirectory);
        return relative.empty() ? fs::absolute(path) : relative;
    };
    package.executableSource = fromSource(exe);
    if (!package.icon.empty()) package.icon = fromSource(package.icon);
    for (MsiFile& file : package.files) file.source = fromSource(file.source);
    writeText(sourcePath, wixSource(package));
    if (!wxs.empty())
        out << "wrote " << wxs.u8string() << " and " << (wxs.parent_path() / exe.filename()).u8string() << "\n";
    if (!local) {
        printUpgradeCode();
        out << "Build the package with the WiX toolset (3.x): candle -arch " << arch << " " << wxs.filename().u8string()
            << " && light " << withExtension(wxs.filename(), ".wixobj").u8string() << " -o "
            << output.filename().u8string()
            << " in its directory (on Linux, vorbix-pack msi builds the package itself with wixl)\n";
        return;
    }

    fs::path built = work.path / "package.msi";
    std::string messages;
    int code = runProgram(wixl, {"-a", arch, "-o", built.string(), sourcePath.string()}, messages);
    if (code != 0 || !fs::is_regular_file(built))
        throw PackError("wixl failed (exit " + std::to_string(code) + "): " + firstLines(messages), kExitWriteFailed);
    if (!replaceFile(built, output))
        throw PackError(output.string() + ": cannot write: " + systemErrorText(), kExitWriteFailed);
    printUpgradeCode();
    out << "wrote " << output.u8string() << "\n";
}
