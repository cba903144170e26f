#include "launch/vm_options.h"

#include <algorithm>
#include <cwctype>
#include <set>

#include "core/command_line.h"
#include "core/config/config_store.h"
#include "core/log.h"
#include "core/paths.h"
#include "jvmsearch/selected_jvm.h"
#include "jvmsearch/version.h"
#include "launch/launcher_variables.h"
#include "launch/options_file_text.h"

namespace {

const std::wstring kInclude = L"-include-options";
const std::wstring kIncludePrefix = L"-include-options ";
const std::wstring kReplacementPrefix = L"-classpath ";
const std::wstring kPrefixPrefix = L"-classpath/p ";
const std::wstring kSuffixPrefix = L"-classpath/a ";
const std::wstring kLocaleFormatPrefix = L"-Dsun.locale.formatasdefault=";

bool startsWith(const std::wstring& text, const std::wstring& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// The files being read right now, by their normalised full path: an include
// that leads back to one of them would never end.
std::set<std::wstring>& filesBeingRead() {
    static std::set<std::wstring> files;
    return files;
}

std::wstring fileKey(const std::wstring& path) {
    std::wstring full(32768, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length == 0 || length >= full.size()) full = path;
    else full.resize(length);
    std::transform(full.begin(), full.end(), full.begin(), [](wchar_t c) { return std::towlower(c); });
    return full;
}

HANDLE openShared(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::wstring widenBytes(const std::string& text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (unsigned char c : text) wide.push_back(static_cast<wchar_t>(c));
    return wide;
}

void includeOptionsFile(const std::wstring* baseFile, const std::wstring& rest, OptionList& options,
                        ClassPathOverrides& overrides) {
    std::wstring expanded = rest;
    expandVariablesWide(expanded, false);
    logMessage(L"after exp from %s %s", expanded.c_str(), rest.c_str());
    std::wstring absolute;
    makeAbsolutePathWide(absolute, expanded, false, baseFile);
    std::wstring key = fileKey(absolute);
    if (filesBeingRead().count(key)) {
        logError(L"options file %s includes itself, not read again", absolute.c_str());
        return;
    }
    VmOptionsInput input(absolute);
    logMessage(L"adding vmoptions from (%d) <%s> (%s)", input.isOpen() ? 1 : 0, absolute.c_str(), expanded.c_str());
    if (input.isOpen()) readOptionsFile(&absolute, input, options, overrides);
    logMessage(L"adding vmoptions 2");
    logMessage(L"adding vmoptions 3");
}

// Tries "<path minus .exe>.vmoptions", then "<path>.vmoptions".
VmOptionsInput openBesideExecutable(const std::wstring& executable) {
    if (executable.size() > 4) {
        std::wstring first = executable.substr(0, executable.size() - 4) + L".vmoptions";
        VmOptionsInput input(first);
        logMessage(L"vmoptions2: exe %s file: %s, file: %d", executable.c_str(), first.c_str(), input.isOpen() ? 1 : 0);
        if (input.isOpen()) return input;
    }
    std::wstring second = executable + L".vmoptions";
    VmOptionsInput input(second);
    logMessage(L"vmoptions: opts2: %s, file: %d", second.c_str(), input.isOpen() ? 1 : 0);
    return input;
}

std::wstring moduleFileName() {
    std::wstring name(32768, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, &name[0], static_cast<DWORD>(name.size()));
    name.resize(length < name.size() ? length : 0);
    return name;
}

void addOptionText(std::wstring text, OptionList& options, ClassPathOverrides& overrides) {
    expandVariablesWide(text, true);
    addOptionTokens(splitCommandLine(text), options, overrides);
}

void addVersionSpecificOptions(OptionList& options, ClassPathOverrides& overrides) {
    int count = getInt(cfg::kVersionOptionSetCount);
    if (count <= 0) return;
    const std::string& version = selectedJvm().javaVersion;
    logMessage(L"check %d version specific vm option lines for %S", count, version.c_str());
    if (version.empty()) return;
    int major = majorVersion(parseVersion(version));
    for (int i = 0; i < count; ++i) {
        std::string condition;
        getString(cfg::versionOptionSetCondition(i), condition);
        if (!versionConditionMatches(condition, version, major)) continue;
        std::wstring text;
        getWideString(cfg::versionOptionSetOptions(i), text);
        logMessage(L"adding specific %s", text.c_str());
        addOptionText(text, options, overrides);
        return;
    }
}

void addLocaleFormatOptions(const std::vector<std::wstring>& arguments, OptionList& options,
                            ClassPathOverrides& overrides) {
    const std::wstring* found = nullptr;
    for (const std::wstring& argument : arguments)
        if (startsWith(argument, kLocaleFormatPrefix)) found = &argument;
    if (!found) return;
    addOptionLine(nullptr, *found, options, overrides);
    if (*found == kLocaleFormatPrefix + L"true") return;
    if (!languageCode().empty())
        addOptionLine(nullptr, L"-Duser.language=" + widenBytes(languageCode()), options, overrides);
    if (!countryCode().empty())
        addOptionLine(nullptr, L"-Duser.country=" + widenBytes(countryCode()), options, overrides);
}

}  // namespace

VmOptionsInput::VmOptionsInput(const std::wstring& path) : handle_(openShared(path)), path_(path) {}

VmOptionsInput::VmOptionsInput(VmOptionsInput&& other) noexcept : handle_(other.handle_), path_(std::move(other.path_)) {
    other.handle_ = INVALID_HANDLE_VALUE;
}

VmOptionsInput& VmOptionsInput::operator=(VmOptionsInput&& other) noexcept {
    if (this != &other) {
        if (isOpen()) CloseHandle(handle_);
        handle_ = other.handle_;
        path_ = std::move(other.path_);
        other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
}

VmOptionsInput::~VmOptionsInput() {
    if (isOpen()) CloseHandle(handle_);
}

void addOptionLine(const std::wstring* baseFile, const std::wstring& line, OptionList& options,
                   ClassPathOverrides& overrides) {
    if (startsWith(line, kIncludePrefix)) {
        includeOptionsFile(baseFile, line.substr(kIncludePrefix.size()), options, overrides);
    } else if (startsWith(line, kReplacementPrefix)) {
        overrides.replacement = toAnsi(line.substr(kReplacementPrefix.size()));
    } else if (startsWith(line, kPrefixPrefix)) {
        overrides.prefix = toAnsi(line.substr(kPrefixPrefix.size()));
    } else if (startsWith(line, kSuffixPrefix)) {
        overrides.suffix = toAnsi(line.substr(kSuffixPrefix.size()));
    } else {
        options.push_back(toAnsi(line));
    }
}

void addOptionTokens(const std::vector<std::wstring>& tokens, OptionList& options, ClassPathOverrides& overrides) {
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i] == kInclude && i + 1 < tokens.size()) {
            addOptionLine(nullptr, kInclude + L" " + tokens[i + 1], options, overrides);
            ++i;
        } else {
            addOptionLine(nullptr, tokens[i], options, overrides);
        }
    }
}

void readOptionsFile(const std::wstring* baseFile, VmOptionsInput& input, OptionList& options,
                     ClassPathOverrides& overrides) {
    if (!input.isOpen()) return;
    std::string data;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(input.handle(), chunk, sizeof chunk, &got, nullptr) && got > 0) data.append(chunk, got);
    std::wstring key = fileKey(input.path());
    bool registered = filesBeingRead().insert(key).second;
    forEachOptionsFileLine(data.data(), data.size(), [&](const std::string& line) {
        std::wstring wide = widenBytes(line);
        expandVariablesWide(wide, true);
        addOptionLine(baseFile, wide, options, overrides);
    });
    if (registered) filesBeingRead().erase(key);
}

VmOptionsInput openVmOptionsFile() {
    VmOptionsInput input = openBesideExecutable(getExecutablePathWide());
    if (input.isOpen()) return input;
    return openBesideExecutable(moduleFileName());
}

void addConfiguredOptionText(OptionList& options, ClassPathOverrides& overrides) {
    std::wstring text;
    getWideString(cfg::kVmOptions, text);
    expandVariablesWide(text, true);
    std::vector<std::wstring> tokens = splitCommandLine(text);
    logMessage(L"adding options");
    addOptionTokens(tokens, options, overrides);
}

void addConfiguredOptions(const std::vector<std::wstring>& arguments, OptionList& options,
                          ClassPathOverrides& overrides) {
    addConfiguredOptionText(options, overrides);
    addVersionSpecificOptions(options, overrides);
    addLocaleFormatOptions(arguments, options, overrides);
}
