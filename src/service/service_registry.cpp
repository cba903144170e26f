#include "service/service_registry.h"

#include <cstring>

#include "service/service_record.h"

namespace {

struct Key {
    HKEY handle = nullptr;
    ~Key() {
        if (handle) RegCloseKey(handle);
    }
};

std::wstring keyPath(const std::wstring& service) { return L"System\\CurrentControlSet\\Services\\" + service; }

bool openKey(const std::wstring& service, REGSAM access, Key& key) {
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath(service).c_str(), 0, access, &key.handle) == ERROR_SUCCESS;
}

// The value's bytes when it has the type.
std::optional<std::vector<BYTE>> rawValue(const std::wstring& service, const wchar_t* value, DWORD wanted) {
    Key key;
    if (!openKey(service, KEY_QUERY_VALUE, key)) return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.handle, value, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != wanted)
        return std::nullopt;
    std::vector<BYTE> data(size + 2 * sizeof(wchar_t));
    size = static_cast<DWORD>(data.size());
    if (RegQueryValueExW(key.handle, value, nullptr, &type, data.data(), &size) != ERROR_SUCCESS || type != wanted)
        return std::nullopt;
    data.resize(size);
    return data;
}

// A string value's characters up to the stored length; a terminator the
// value may or may not hold is left to the caller.
std::wstring characters(const std::vector<BYTE>& data) {
    return std::wstring(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
}

}  // namespace

std::optional<DWORD> serviceDwordValue(const std::wstring& service, const wchar_t* value) {
    std::optional<std::vector<BYTE>> data = rawValue(service, value, REG_DWORD);
    if (!data || data->size() != sizeof(DWORD)) return std::nullopt;
    DWORD number = 0;
    memcpy(&number, data->data(), sizeof number);
    return number;
}

std::optional<std::wstring> serviceStringValue(const std::wstring& service, const wchar_t* value) {
    std::optional<std::vector<BYTE>> data = rawValue(service, value, REG_SZ);
    if (!data) return std::nullopt;
    std::wstring text = characters(*data);
    return text.substr(0, text.find(L'\0'));
}

std::optional<std::vector<std::wstring>> serviceMultiStringValue(const std::wstring& service, const wchar_t* value) {
    std::optional<std::vector<BYTE>> data = rawValue(service, value, REG_MULTI_SZ);
    if (!data) return std::nullopt;
    return splitNulList(characters(*data));
}

bool serviceKeyExists(const std::wstring& service) {
    Key key;
    return openKey(service, KEY_QUERY_VALUE, key);
}

DWORD setServiceStringValue(const std::wstring& service, const wchar_t* value, const std::wstring& text) {
    Key key;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath(service).c_str(), 0, KEY_SET_VALUE, &key.handle);
    if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
    return static_cast<DWORD>(RegSetValueExW(key.handle, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
}
