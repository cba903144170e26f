// Values of a service's own registry key (under
// HKLM\System\CurrentControlSet\Services): read where the service control
// manager stores a setting but cannot answer a query for it, and written for
// the launcher's own records about the service.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// Absent when the key or the value is missing or of another type.
std::optional<DWORD> serviceDwordValue(const std::wstring& service, const wchar_t* value);
std::optional<std::wstring> serviceStringValue(const std::wstring& service, const wchar_t* value);
std::optional<std::vector<std::wstring>> serviceMultiStringValue(const std::wstring& service, const wchar_t* value);
bool serviceKeyExists(const std::wstring& service);

// A REG_SZ value in the service's key, which must exist; the system error
// code, ERROR_SUCCESS when written.
DWORD setServiceStringValue(const std::wstring& service, const wchar_t* value, const std::wstring& text);
