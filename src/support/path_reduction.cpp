#include "support/path_reduction.h"

#include <cwctype>

namespace {

bool startsWithIgnoringCase(const std::wstring& text, const std::wstring& prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::towlower(text[i]) != std::towlower(prefix[i])) return false;
    return true;
}

}  // namespace

std::wstring reducePathEntries(const std::wstring& path, const std::wstring& windowsDirectory) {
    std::wstring reduced;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L';', start);
        if (end == std::wstring::npos) end = path.size();
        std::wstring entry = path.substr(start, end - start);
        if (!entry.empty() && startsWithIgnoringCase(entry, windowsDirectory)) {
            if (!reduced.empty()) reduced += L';';
            reduced += entry;
        }
        start = end + 1;
    }
    return reduced;
}
