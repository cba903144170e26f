#include "service/service_text.h"

#include "core/launcher_state.h"

std::wstring buildDependencyList(const std::wstring& entry) {
    std::wstring list;
    size_t start = 0;
    while (start <= entry.size()) {
        size_t comma = entry.find(L',', start);
        if (comma == std::wstring::npos) comma = entry.size();
        if (comma > start) {
            list.append(entry, start, comma - start);
            list += L'\0';
        }
        start = comma + 1;
    }
    if (!list.empty()) list += L'\0';
    return list;
}

std::wstring quoteIfSpaced(const std::wstring& argument) {
    if (argument.find(L' ') == std::wstring::npos) return argument;
    return L"\"" + argument + L"\"";
}

std::wstring buildWorkerCommandLine(const std::vector<std::wstring>& ownArguments, const std::wstring& serviceName,
                                    const std::vector<std::wstring>& startArguments) {
    std::wstring line = ownArguments.empty() ? std::wstring() : quoteIfSpaced(ownArguments[0]);
    line += L' ';
    line += quoteIfSpaced(serviceName);
    for (size_t i = 1; i < ownArguments.size(); ++i) {
        line += L' ';
        line += quoteIfSpaced(ownArguments[i]);
    }
    for (size_t i = 1; i < startArguments.size(); ++i) {
        line += L' ';
        line += quoteIfSpaced(startArguments[i]);
    }
    line += L' ';
    line += kRestartMarker;
    return line;
}
