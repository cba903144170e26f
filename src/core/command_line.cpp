#include "core/command_line.h"

std::vector<std::wstring> splitCommandLine(const std::wstring& text) {
    std::vector<std::wstring> arguments;
    if (text.empty()) return arguments;

    size_t position = 0;
    while (true) {
        std::wstring argument;
        bool quoted = false;
        bool separatorPending = false;
        wchar_t previous = 0;
        bool atEnd = true;
        for (; position < text.size(); ++position) {
            wchar_t c = text[position];
            if (c == L' ' || c == L'\t') {
                if (quoted) {
                    argument += c;
                } else {
                    separatorPending = true;
                }
            } else if (separatorPending) {
                // This character (a quote included) begins the next argument.
                atEnd = false;
                break;
            } else if (c == L'"') {
                if (previous == L'"' && !quoted) {
                    argument += L'"';
                    quoted = true;
                } else {
                    quoted = !quoted;
                }
            } else {
                argument += c;
            }
            previous = c;
        }
        arguments.push_back(argument);
        if (atEnd) break;
    }
    return arguments;
}

std::wstring verbOfArgument(const std::wstring& argument) {
    std::wstring verb = argument.substr(argument.empty() ? 0 : 1);
    if (!verb.empty() && verb[0] == L'-') verb.erase(0, 1);
    return verb;
}

std::wstring programStem(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}
