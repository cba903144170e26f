// vorbix-pack: turns the bare launcher into an application's launcher and
// reads such a launcher back.
#include <iostream>
#include <optional>
#include <vector>

#include <CLI/CLI.hpp>

#include "base/host_files.h"
#include "base/pack_error.h"
#include "base/tool_version.h"
#include "commands/inspect.h"
#include "commands/pack_build.h"
#include "config/starter_config.h"
#include "commands/msi_build.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    prepareStandardStreams();
    // Arguments as UTF-8 on both systems, paths made from them with u8path.
    std::vector<std::string> arguments = utf8Arguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    auto pathOf = [](const std::string& text) { return fs::u8path(text); };

    CLI::App app{"vorbix-pack: appends an application's configuration (and the files it includes) to the bare "
                 "launcher, and reads such a launcher back.\nThe configuration file is described in "
                 "docs/configuration.md.",
                 "vorbix-pack"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("vorbix-pack ") + toolVersion());
    app.footer("Examples:\n  vorbix-pack build app.json -o app.exe\n  vorbix-pack inspect app.exe\n"
               "  vorbix-pack inspect app.exe --extract out/files -o out/app.json\n"
               "  vorbix-pack init --jar app.jar --name MyService\n  vorbix-pack msi app.json -o app.msi\n\nExit codes: 0 done, 2 bad input (configuration, stub, included file, launcher to inspect, command "
               "line), 1 the output could not be written. A failed build leaves no output file.");

    std::string config, output, stub;
    CLI::App* build = app.add_subcommand(
        "build", "Build an application's launcher from CONFIG.json. For launcherFlavour \"e\" the launcher's Java "
                 "runtime archive goes along as the last included file, vorbix-runtime.jar: by default the one "
                 "beside this tool, else java/vorbix-runtime.jar below its directory; the key runtimeArchive gives "
                 "another one (a path) or none (false).");
    build->add_option("config", config, "The configuration (JSON); relative sources are relative to its directory.")
        ->required()
        ->type_name("CONFIG.json");
    build->add_option("-o,--output", output, "The launcher to write (written to a temporary file, then renamed).")
        ->required()
        ->type_name("OUT.exe");
    build->add_option("--stub", stub,
                      "The bare launcher to start from (default, by the key architecture, \"x64\" when absent: for "
                      "\"x64\" launcher64.exe beside this tool, else ../win64/launcher.exe relative to its "
                      "directory; for \"x86\" launcher.exe, else ../win32/launcher.exe; the first of the "
                      "architecture). Anything behind its last section is dropped.")
        ->type_name("PATH");

    std::string exe, extract, jsonOutput;
    CLI::App* inspect = app.add_subcommand(
        "inspect", "Print the configuration embedded in a launcher as JSON that build accepts again, with the locale "
                   "sections and the included files' names and sizes (the runtime archive among them, with "
                   "\"runtimeArchive\": false).");
    inspect->add_option("exe", exe, "The launcher to read.")->required()->type_name("EXE");
    inspect->add_option("--extract", extract,
                        "Write the included files into DIR (by their names; a backslash becomes a directory); the "
                        "JSON's sources then point at them, so that build makes the same launcher again.")
        ->type_name("DIR");
    inspect->add_option("-o,--output", jsonOutput,
                        "Write the JSON to FILE instead of standard output. Sources in the JSON are relative to its "
                        "directory (to the current directory on standard output).")
        ->type_name("FILE");

    std::string jar, name, mainClass, initOutput;
    bool force = false;
    CLI::App* init = app.add_subcommand(
        "init", "Write a starter configuration for a jar: NAME.json beside it, with the main class from the jar's "
                "manifest, the jar on the class path, a Java runtime looked for in jre\\ beside the executable, "
                "then JAVA_HOME, then the installed ones, and the \"$schema\" that editors check the keys with.");
    init->add_option("--jar", jar, "The application's jar.")->required()->type_name("APP.jar");
    init->add_option("--name", name, "The service's name, also the configuration's (default: the jar's name).")
        ->type_name("NAME");
    init->add_option("--main-class", mainClass, "The main class, when the manifest names none.")->type_name("CLASS");
    init->add_option("-o,--output", initOutput, "Write the configuration to FILE instead.")->type_name("FILE");
    init->add_flag("--force", force, "Replace an existing file.");

    std::string msiConfig, msiOutput, msiWxs, msiStub;
    CLI::App* msi = app.add_subcommand(
        "msi", "Build a Windows Installer package from CONFIG.json: the launcher, packed as build packs it, and the "
               "files of the \"installer\" section, installed per machine into Program Files\\companyName\\"
               "productName (the 64-bit one for \"x64\"); the package registers the service as /install does, "
               "starts it when it starts automatically, stops and removes it at uninstall, and replaces an older "
               "version. Needs \"version\", \"serviceName\" and \"companyName\". On Linux wixl builds the "
               "package; on Windows only the WiX source is written, with the launcher beside it.");
    msi->add_option("config", msiConfig, "The configuration (JSON); relative sources are relative to its directory.")
        ->required()
        ->type_name("CONFIG.json");
    msi->add_option("-o,--output", msiOutput, "The package to write (default: CONFIG with the extension .msi).")
        ->type_name("FILE.msi");
    msi->add_option("--wxs", msiWxs,
                    "Also keep the WiX source in FILE, with the packed launcher beside it (on Windows the default "
                    "is the package's name with .wxs).")
        ->type_name("FILE.wxs");
    msi->add_option("--stub", msiStub, "The bare launcher to start from, as for build.")->type_name("PATH");

    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? 0 : kExitBadInput;
    }

    try {
        if (*build) {
            fs::path tools = toolDirectory(argv[0]);
            // Without --stub the configuration's architecture picks the bare launcher.
            BuiltLauncher built = buildLauncher(pathOf(config), pathOf(output), pathOf(stub), tools);
            std::cout << "packed " << pathOf(output).u8string() << " onto the "
                      << (built.architecture == "x86" ? "32-bit (x86)" : "64-bit (x64)") << " launcher "
                      << built.stub.u8string() << "\n";
        } else if (*msi) {
            MsiRequest request;
            request.config = pathOf(msiConfig);
            if (!msiOutput.empty()) request.output = pathOf(msiOutput);
            if (!msiWxs.empty()) request.wxs = pathOf(msiWxs);
            if (!msiStub.empty()) request.stub = pathOf(msiStub);
            request.toolDirectory = toolDirectory(argv[0]);
            buildPackage(request, std::cout);
        } else if (*init) {
            InitRequest request;
            request.jar = pathOf(jar);
            request.name = name;
            request.mainClass = mainClass;
            if (!initOutput.empty()) request.output = pathOf(initOutput);
            request.force = force;
            fs::path written = initConfig(request, toolDirectory(argv[0]), std::cerr);
            std::cout << "wrote " << written.u8string() << "\n";
        } else {
            InspectRequest request;
            request.exe = pathOf(exe);
            if (!extract.empty()) request.extractDirectory = pathOf(extract);
            if (!jsonOutput.empty()) request.output = pathOf(jsonOutput);
            inspectLauncher(request, std::cout, std::cerr);
        }
    } catch (const PackError& e) {
        std::cerr << "vorbix-pack: " << e.what() << "\n";
        return e.exitCode();
    } catch (const std::exception& e) {
        std::cerr << "vorbix-pack: " << e.what() << "\n";
        return kExitWriteFailed;
    }
    return 0;
}
