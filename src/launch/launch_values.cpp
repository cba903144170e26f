#include "launch/launch_values.h"

#include "launch/memory_size.h"

namespace {
constexpr uint32_t kSmallestStack = 65536;

bool startsWith(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }
}  // namespace

std::vector<std::string> buildLauncherProperties(const LauncherPropertyValues& values) {
    std::vector<std::string> properties;
    if (values.semaphoreName) properties.push_back("-Dvorbix.semaphoreName=" + *values.semaphoreName);
    if (values.previousJdk) properties.push_back("-Dtsy.previousJdk=true");
    if (values.installerFlavour) properties.push_back("-Dvorbix.isTessaly=true");
    if (values.serviceMode) properties.push_back("-Dvorbix.isService=true");
    properties.push_back("-Dvorbix.moduleName=" + values.executablePath);
    properties.push_back("-Dsun.java.command=" + values.executablePath);
    properties.push_back("-Dvorbix.tempDir=" + values.launcherTempDirectory);
    properties.push_back("-Dvorbix.unextractedPosition=" + std::to_string(values.unextractedPosition));
    if (values.libraryPath && !values.libraryPath->empty())
        properties.push_back("-Djava.library.path=" + *values.libraryPath);
    if (values.consoleCodePage) properties.push_back("-Dvorbix.consoleCodepage=cp" + std::to_string(*values.consoleCodePage));
    return properties;
}

uint32_t vmThreadStackSize(const std::vector<std::string>& options) {
    int64_t candidate = 0;
    for (const std::string& option : options) {
        if (option.rfind("-Xss", 0) != 0) continue;
        int64_t size = parseMemorySize(option.c_str() + 4);
        if (size > 0) candidate = size;
    }
    uint32_t stack = static_cast<uint32_t>(static_cast<uint64_t>(candidate) & 0xFFFFFFFFu);
    if (stack > 0 && stack < kSmallestStack) stack = kSmallestStack;
    return stack;
}

std::vector<std::wstring> programParameters(const std::vector<std::wstring>& launcherParameters,
                                            const std::vector<std::wstring>& arguments,
                                            const std::vector<std::wstring>& configuredArguments,
                                            bool jArgumentsAreVmOptions) {
    std::vector<std::wstring> parameters = launcherParameters;
    if (!arguments.empty()) parameters.push_back(arguments[0]);
    parameters.insert(parameters.end(), configuredArguments.begin(), configuredArguments.end());
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (jArgumentsAreVmOptions && startsWith(arguments[i], L"-J")) continue;
        if (startsWith(arguments[i], L"-Dsun.locale.formatasdefault=")) continue;
        parameters.push_back(arguments[i]);
    }
    return parameters;
}

std::string fitLibraryPath(const std::string& path) {
    if (path.size() < kLibraryPathBufferSize) return path;
    std::string cut = path.substr(0, kLibraryPathBufferSize - 1);
    size_t separator = cut.rfind(';');
    if (separator != std::string::npos) cut.resize(separator);
    return cut;
}
