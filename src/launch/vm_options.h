// VM options from option texts and files: each line becomes one option at the
// end of the option list, or is a directive (an include, or one of the three
// class path directives).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "launch/option_list.h"

// Values of the class path directives; a later directive of a kind replaces
// an earlier one.
struct ClassPathOverrides {
    std::optional<std::string> replacement;  // "-classpath "
    std::optional<std::string> prefix;       // "-classpath/p "
    std::optional<std::string> suffix;       // "-classpath/a "
};

// An options file opened for reading (shared for reading and writing).
class VmOptionsInput {
public:
    VmOptionsInput() = default;
    explicit VmOptionsInput(const std::wstring& path);
    VmOptionsInput(VmOptionsInput&& other) noexcept;
    VmOptionsInput& operator=(VmOptionsInput&& other) noexcept;
    VmOptionsInput(const VmOptionsInput&) = delete;
    VmOptionsInput& operator=(const VmOptionsInput&) = delete;
    ~VmOptionsInput();

    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE handle() const { return handle_; }
    const std::wstring& path() const { return path_; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::wstring path_;
};

// baseFile: the options file holding the line (relative includes point beside
// it), or null for lines from the configuration or the command line.
void addOptionLine(const std::wstring* baseFile, const std::wstring& line, OptionList& options,
                   ClassPathOverrides& overrides);
// Tokens of a split option text; "-include-options" is joined with its path.
void addOptionTokens(const std::vector<std::wstring>& tokens, OptionList& options, ClassPathOverrides& overrides);
// Every line of an opened file; baseFile as for addOptionLine.
void readOptionsFile(const std::wstring* baseFile, VmOptionsInput& input, OptionList& options,
                     ClassPathOverrides& overrides);
// The executable's options file: "<exe without .exe>.vmoptions", else
// "<exe>.vmoptions"; long path first, then the module file name.
VmOptionsInput openVmOptionsFile();
// The configured option text (entry 123), expanded and split.
void addConfiguredOptionText(OptionList& options, ClassPathOverrides& overrides);
// The configured option text, then the first matching version-specific set,
// then the locale-format argument of the launch arguments with the user
// language and country.
void addConfiguredOptions(const std::vector<std::wstring>& arguments, OptionList& options,
                          ClassPathOverrides& overrides);
