#include "launch/option_list.h"

#include <algorithm>

#include "core/log.h"

namespace {
// The "--add-modules=" option is built in a buffer of this size.
constexpr size_t kModuleOptionBufferSize = 6000;
}

bool isModuleOption(const std::string& option) {
    static const char* const kNames[] = {"--upgrade-module-path", "--add-modules", "--limit-modules",
                                         "--add-exports", "--add-opens", "--add-reads", "--patch-module"};
    return std::any_of(std::begin(kNames), std::end(kNames), [&](const char* name) { return option == name; });
}

void joinModuleOptions(OptionList& options) {
    for (size_t i = 0; i + 1 < options.size(); ++i) {
        if (!isModuleOption(options[i])) continue;
        options[i + 1] = options[i] + "=" + options[i + 1];
        options.erase(options.begin() + static_cast<long>(i));
    }
}

void removeLauncherOnlyOptions(OptionList& options) {
    options.erase(std::remove_if(options.begin(), options.end(),
                                 [](const std::string& o) { return o.empty() || o.rfind("-jvm=", 0) == 0; }),
                  options.end());
}

bool hasOption(const OptionList& options, const std::string& text) {
    return std::find(options.begin(), options.end(), text) != options.end();
}

void appendModuleOptions(OptionList& options, const std::string& mainClass, const std::string& runtimeModule) {
    std::string modules = "--add-modules=";
    if (!mainClass.empty()) {
        std::string named = mainClass;
        size_t slash = named.find('/');
        if (slash != std::string::npos) {
            size_t dot = named.rfind('.');
            if (dot != std::string::npos && dot > slash)
                options.push_back("--add-opens=" + named.substr(0, dot) + "=" + runtimeModule);
            named.resize(slash);
        }
        modules += named;
        modules += ",";
    }
    modules += runtimeModule;
    if (modules.size() > kModuleOptionBufferSize - 1) {
        // Too long for the VM's option buffer: better no module than a cut name.
        logError(L"main class too long for --add-modules (%d)", static_cast<int>(modules.size()));
        modules = "--add-modules=" + runtimeModule;
    }
    options.push_back(modules);
}

std::string withoutTrailingSeparator(const std::string& text) {
    if (!text.empty() && text.back() == ';') return text.substr(0, text.size() - 1);
    return text;
}

void appendModeOptions(OptionList& options, bool serviceMode, bool noRedirect) {
    if (serviceMode && !hasOption(options, "-Xrs")) {
        logMessage(L"service: adding -Xrs");
        options.push_back("-Xrs");
    }
    if (noRedirect) options.push_back("-Dtessaly.noRedir=true");
}
