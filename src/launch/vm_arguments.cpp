#include "launch/vm_arguments.h"

#include <cstring>

#include "core/config/config_store.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/temp_dirs.h"
#include "launch/argument_files.h"
#include "launch/java_vm_calls.h"
#include "launch/option_list.h"
#include "launch/path_entries.h"
#include "launch/vm_options.h"

namespace {

bool startsWith(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

const char* runtimeModuleName() { return launcherFlavour == 'i' ? "com.tessaly.runtime" : "com.vorbix.runtime"; }

void readExecutableOptionsFile(OptionList& options, ClassPathOverrides& overrides, bool logOpen) {
    VmOptionsInput input = openVmOptionsFile();
    if (logOpen) logMessage(L"default vmoptions file: %d", input.isOpen() ? 1 : 0);
    readOptionsFile(nullptr, input, options, overrides);
}

void addClassPath(OptionList& options, const ClassPathOverrides& overrides, std::string& modulePath) {
    std::string classPath = "-Djava.class.path=";
    bool toModulePath = !modulePath.empty() || getInt(cfg::kMainClassInModule) != 0;
    std::string& target = toModulePath ? modulePath : classPath;
    if (overrides.prefix) classPath += *overrides.prefix + ";";
    if (launcherFlavour == 'e') {
        const std::string& tempDir = launcherTempDirectory();
        if (!tempDir.empty()) {
            appendArchives(target, tempDir, "jar");
            appendArchives(target, tempDir, "zip");
        }
    }
    addRuntimeJar(target);
    if (overrides.replacement) {
        classPath += *overrides.replacement;
    } else {
        logMessage(L"adding preconfigured classpath");
        buildPathEntries(cfg::kClassPath, classPath);
    }
    if (overrides.suffix) {
        if (classPath.back() != ';') classPath += ';';
        classPath += *overrides.suffix;
    }
    options.push_back(withoutTrailingSeparator(classPath));
}

void addModuleOptions(OptionList& options, const std::string& modulePath) {
    options.push_back("--module-path=" + withoutTrailingSeparator(modulePath));
    std::string mainClass;
    if (getInt(cfg::kMainClassInModule) != 0) getString(cfg::kMainClass, mainClass);
    appendModuleOptions(options, mainClass, runtimeModuleName());
}

}  // namespace

void buildVmArguments(JavaVMInitArgs& initArgs, const std::vector<std::string>& properties,
                      const std::vector<std::wstring>& arguments) {
    OptionList options(properties.begin(), properties.end());
    ClassPathOverrides overrides;
    addConfiguredOptions(arguments, options, overrides);
    if (getInt(cfg::kReadVmOptionsFile) != 0) readExecutableOptionsFile(options, overrides, true);
    if (getInt(cfg::kJArgumentsAreVmOptions) != 0) {
        for (const std::wstring& argument : arguments)
            if (startsWith(argument, L"-J")) addOptionLine(nullptr, argument.substr(2), options, overrides);
    }
    logMessage(L"adding preconfigured modulepath");
    std::string modulePath;
    buildPathEntries(cfg::kModulePath, modulePath);
    addClassPath(options, overrides, modulePath);
    if (!modulePath.empty()) addModuleOptions(options, modulePath);
    appendModeOptions(options, serviceMode, noRedirect);
    joinModuleOptions(options);
    expandArgumentFiles(options);
    removeLauncherOnlyOptions(options);
    storeVmOptions(initArgs, options);
}

std::optional<std::string> findJvmOverride(const std::vector<std::wstring>& arguments) {
    if (getInt(cfg::kJArgumentsAreVmOptions) != 0) {
        for (const std::wstring& argument : arguments) {
            if (!startsWith(argument, L"-J-jvm=")) continue;
            std::string location = toAnsi(argument.substr(7));
            logMessage(L"JVM override location from command line %S", location.c_str());
            return location;
        }
    }
    OptionList options;
    ClassPathOverrides overrides;
    addConfiguredOptionText(options, overrides);
    if (getInt(cfg::kReadVmOptionsFile) != 0) readExecutableOptionsFile(options, overrides, false);
    for (auto it = options.rbegin(); it != options.rend(); ++it) {
        if (it->rfind("-jvm=", 0) != 0) continue;
        std::string location = it->substr(5);
        logMessage(L"JVM override location from vmoptions %S", location.c_str());
        return location;
    }
    return std::nullopt;
}
