#include "support/paths.h"

#include <windows.h>

#include <vector>

const std::wstring& getExecutablePathWide() {
    static std::wstring path = [] {
        std::vector<wchar_t> module(6000);
        DWORD length = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (length == 0 || length >= module.size()) return std::wstring();
        std::vector<wchar_t> longForm(6000);
        DWORD longLength = GetLongPathNameW(module.data(), longForm.data(), static_cast<DWORD>(longForm.size()));
        if (longLength == 0 || longLength >= longForm.size()) return std::wstring(module.data(), length);
        return std::wstring(longForm.data(), longLength);
    }();
    return path;
}
