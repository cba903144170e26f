#include "support/system_error.h"

#include <cwctype>

#include "core/format.h"

std::wstring systemErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = buffer && length ? std::wstring(buffer, length) : std::wstring();
    if (buffer) LocalFree(buffer);
    // Texts end in a line break, some have one inside.
    for (wchar_t& c : text)
        if (c == L'\r' || c == L'\n') c = L' ';
    while (!text.empty() && std::iswspace(text.back())) text.pop_back();
    return text.empty() ? formatWide(L"Error %u.", static_cast<unsigned>(error)) : text;
}

std::string consoleBytes(const std::wstring& text) {
    if (text.empty()) return std::string();
    UINT codePage = GetConsoleOutputCP();
    if (!codePage) codePage = CP_ACP;
    int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                     nullptr);
    if (length <= 0) return narrowBytes(text);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr, nullptr);
    return bytes;
}
