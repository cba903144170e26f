// splitCommandLine over arbitrary text, and back from argument lists: a list
// written with every argument quoted (inner quotes doubled) splits into the
// same list again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "fuzz_check.h"
#include "host.h"

namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Without quotes the rule is plain: runs of blanks separate, a leading run
// gives an empty first argument, a trailing run adds nothing.
std::vector<std::wstring> splitUnquoted(const std::wstring& text) {
    std::vector<std::wstring> out;
    if (text.empty()) return out;
    size_t i = 0;
    for (;;) {
        std::wstring argument;
        while (i < text.size() && !isBlank(text[i])) argument += text[i++];
        while (i < text.size() && isBlank(text[i])) ++i;
        out.push_back(argument);
        if (i == text.size()) return out;
    }
}

std::wstring quoteAll(const std::vector<std::wstring>& arguments) {
    std::wstring text;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) text += L' ';
        text += L'"';
        for (wchar_t c : arguments[i]) {
            if (c == L'"') text += L"\"\"";
            else text += c;
        }
        text += L'"';
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    resetHost();
    // Pairs of bytes are UTF-16 units, so surrogates and NULs occur too.
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    std::vector<std::wstring> arguments = splitCommandLine(text);
    FUZZ_CHECK(text.empty() == arguments.empty());
    size_t kept = 0;
    for (const std::wstring& argument : arguments) kept += argument.size();
    FUZZ_CHECK(kept <= text.size());
    if (text.find(L'"') == std::wstring::npos) FUZZ_CHECK(arguments == splitUnquoted(text));

    // The input as a list of arguments, one per line.
    std::vector<std::wstring> list;
    if (size > 0)
        for (const std::string& field : fuzzFields(data, size)) list.push_back(fuzzWiden(field));
    FUZZ_CHECK(splitCommandLine(quoteAll(list)) == list);
    return 0;
}
