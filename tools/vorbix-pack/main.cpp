// vorbix-pack: turns the bare launcher into an application's launcher and
// reads such a launcher back.
#include <iostream>
#include <optional>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include "inspect.h"
#include "pack_build.h"
#include "pack_error.h"

namespace fs = std::filesystem;

namespace {

fs::path toolDirectory(const char* argv0) {
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) self = fs::absolute(argv0);
    return self.parent_path();
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"vorbix-pack: appends an application's configuration (and the files it includes) to the bare "
                 "launcher, and reads such a launcher back.\nThe configuration file is described in "
                 "docs/configuration.md.",
                 "vorbix-pack"};
    app.require_subcommand(1);
    app.footer("Examples:\n  vorbix-pack build app.json -o app.exe\n  vorbix-pack inspect app.exe\n"
               "  vorbix-pack inspect app.exe --extract out/files -o out/app.json\n\nExit codes: 0 done, 2 bad input (configuration, stub, included file, launcher to inspect, command "
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
                      "The bare launcher to start from (default, by the key architecture: for \"x86\" "
                      "launcher.exe beside this tool, else ../win32/launcher.exe relative to its directory; for "
                      "\"x64\" launcher64.exe, else ../win64/launcher.exe). Anything behind its last section is "
                      "dropped.")
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

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? 0 : kExitBadInput;
    }

    try {
        if (*build) {
            fs::path tools = toolDirectory(argv[0]);
            // Without --stub the configuration's architecture picks the bare launcher.
            buildLauncher(config, output, fs::path(stub), tools);
        } else {
            InspectRequest request;
            request.exe = exe;
            if (!extract.empty()) request.extractDirectory = fs::path(extract);
            if (!jsonOutput.empty()) request.output = fs::path(jsonOutput);
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
