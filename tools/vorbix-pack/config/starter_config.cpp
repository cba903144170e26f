#include "config/starter_config.h"

#include <ostream>

#include "base/atomic_output.h"
#include "base/host_files.h"
#include "base/pack_error.h"
#include "config/jar_manifest.h"
#include "config/text_codec.h"
#include "image/version_resource.h"

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

std::optional<fs::path> findSchema(const fs::path& toolDirectory) {
    for (const char* up : {"..", "../.."}) {
        fs::path candidate = (toolDirectory / up / "docs" / "vorbix-pack.schema.json").lexically_normal();
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) return candidate;
    }
    return std::nullopt;
}

Json starterConfig(const InitRequest& request, const std::string& mainClass, const std::string& version,
                   const std::string& schema) {
    const std::string& name = request.name;
    Json json = Json::object();
    if (!schema.empty()) json["$schema"] = schema;
    json["serviceName"] = name;
    // Every current Java runtime for Windows is x64.
    json["architecture"] = "x64";
    json["serviceDescription"] = name + ", a Java application run as a Windows service.";
    json["productName"] = name;
    json["fileDescription"] = name;
    if (!version.empty()) json["version"] = version;
    json["launcherFlavour"] = "e";
    json["mainClass"] = mainClass;
    json["classPath"] = Json::array({{{"type", "A"}, {"required", true}, {"value", request.jar.filename().u8string()}}});
    json["jvmSearchSequence"] =
        Json::array({{{"type", "R"}, {"value", "jre"}}, {{"type", "E"}, {"value", "JAVA_HOME"}}, {{"type", "Y"}}});
    json["minJavaVersion"] = "1.8";
    json["readVmOptionsFile"] = true;
    json["messages"] = {
        {"1000", name},
        {"1006", "A required file of " + name + " is missing: {0}"},
        {"1016", "No Java runtime was found (code {0}). Put one in the folder jre beside " + name +
                     ".exe, or install Java 8 or later."},
    };
    return json;
}

fs::path initConfig(const InitRequest& given, const fs::path& toolDirectory, std::ostream& err) {
    InitRequest request = given;
    const std::string jarName = request.jar.filename().u8string();
    if (request.name.empty()) request.name = request.jar.stem().u8string();
    // The name is a service name and the executable's; the jar's name goes into the class path.
    if (request.name.empty() || request.name.size() > 256 || request.name.find_first_of("/\\") != std::string::npos)
        throw PackError("--name: \"" + request.name + "\" cannot be a service name (1 to 256 characters, no / or \\)");
    utf8ToLatin1(request.name, "--name");
    utf8ToLatin1(jarName, request.jar.string());
    if (jarName.find(';') != std::string::npos)
        throw PackError(request.jar.string() + ": a jar name with \";\" cannot go on the class path");

    std::map<std::string, std::string> manifest = readJarManifest(request.jar);
    std::string mainClass = request.mainClass.empty() ? manifest["Main-Class"] : request.mainClass;
    if (mainClass.empty())
        throw PackError(request.jar.string() + ": its manifest names no Main-Class; give the class with --main-class");
    utf8ToLatin1(mainClass, "the main class");
    std::string version, why;
    if (parseVersionNumber(manifest["Implementation-Version"], why)) version = manifest["Implementation-Version"];

    fs::path output = request.output ? *request.output : request.jar.parent_path() / fs::u8path(request.name + ".json");
    std::error_code error;
    if (!request.force && fs::exists(output, error))
        throw PackError(output.string() + ": exists already (--force replaces it)");
    std::string schema;
    if (auto found = findSchema(toolDirectory)) {
        fs::path directory = fs::absolute(output).parent_path();
        fs::path relative = fs::absolute(*found).lexically_normal().lexically_relative(directory.lexically_normal());
        schema = (relative.empty() ? fs::absolute(*found) : relative).generic_u8string();
    } else {
        err << "vorbix-pack: warning: docs/vorbix-pack.schema.json not found beside the tool; no \"$schema\" written\n";
    }
    std::string text = starterConfig(request, mainClass, version, schema).dump(2) + "\n";
    AtomicOutput out(output);
    out.write(text.data(), text.size());
    out.commit(newFileMode());
    return output;
}
