#include "support/locale.h"

#include <windows.h>

#include "core/log.h"
#include "support/locale_table.h"

std::string detectLocale() {
    LANGID languageId = static_cast<LANGID>(GetUserDefaultLCID() & 0xFFFF);
    // Older systems lack the UI language; the default locale serves there.
    using UiLanguageFunction = LANGID(WINAPI*)();
    HMODULE kernel = GetModuleHandleW(L"Kernel32.DLL");
    void* found = kernel ? reinterpret_cast<void*>(GetProcAddress(kernel, "GetUserDefaultUILanguage")) : nullptr;
    auto uiLanguage = reinterpret_cast<UiLanguageFunction>(found);
    if (uiLanguage) languageId = uiLanguage();
    std::string locale = localeForLanguageId(languageId);
    logMessage(L"language/country is %S", locale.c_str());
    return locale;
}
