#include "service/service_config_calls.h"

namespace {

FARPROC advapiFunction(const char* name) {
    HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
    if (!advapi) advapi = LoadLibraryW(L"advapi32.dll");
    return advapi ? GetProcAddress(advapi, name) : nullptr;
}

template <typename Function>
Function advapiFunction(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(advapiFunction(name)));
}

DWORD bytes(const ServiceConfigBuffer& buffer) { return static_cast<DWORD>(buffer.size() * sizeof(uint64_t)); }

// Asks once, and again with the size the first answer asked for.
template <typename Query>
bool queryGrowing(ServiceConfigBuffer& buffer, size_t first, Query query) {
    buffer.assign(first, 0);
    DWORD needed = 0;
    if (query(reinterpret_cast<BYTE*>(buffer.data()), bytes(buffer), &needed)) return true;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    buffer.assign(needed / sizeof(uint64_t) + 1, 0);
    return query(reinterpret_cast<BYTE*>(buffer.data()), bytes(buffer), &needed);
}

}  // namespace

bool changeServiceConfig2(SC_HANDLE service, DWORD level, void* info) {
    using Change = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPVOID);
    const Change change = advapiFunction<Change>("ChangeServiceConfig2W");
    if (!change) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    return change(service, level, info) != FALSE;
}

bool queryServiceConfig2(SC_HANDLE service, DWORD level, ServiceConfigBuffer& buffer) {
    using Query = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPBYTE, DWORD, LPDWORD);
    const Query query = advapiFunction<Query>("QueryServiceConfig2W");
    if (!query) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    return queryGrowing(buffer, 64, [&](BYTE* data, DWORD size, DWORD* needed) {
        return query(service, level, data, size, needed) != FALSE;
    });
}

bool queryServiceConfig(SC_HANDLE service, ServiceConfigBuffer& buffer) {
    return queryGrowing(buffer, 1024, [&](BYTE* data, DWORD size, DWORD* needed) {
        return QueryServiceConfigW(service, reinterpret_cast<QUERY_SERVICE_CONFIGW*>(data), size, needed) != FALSE;
    });
}
