#include "service/logon_right_record.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "service/service_account.h"
#include "service/service_config_calls.h"
#include "service/service_record.h"
#include "support/system_error.h"

namespace {

std::wstring startName(SC_HANDLE manager, const wchar_t* service) {
    SC_HANDLE handle = OpenServiceW(manager, service, SERVICE_QUERY_CONFIG);
    if (!handle) return std::wstring();
    ServiceConfigBuffer buffer;
    bool read = queryServiceConfig(handle, buffer);
    CloseServiceHandle(handle);
    const auto* config = reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(buffer.data());
    return read && config->lpServiceStartName ? config->lpServiceStartName : L"";
}

// The system's own accounts never got the right from us.
bool mayHoldGrantedRight(const std::wstring& account) {
    return accountNeedsPassword(account) || (!account.empty() && account.back() == L'$');
}

}  // namespace

std::wstring otherServiceOfAccount(SC_HANDLE manager, const std::wstring& ownName, const std::wstring& sid) {
    std::vector<uint64_t> buffer;
    DWORD needed = 0;
    DWORD count = 0;
    DWORD resume = 0;
    BOOL more = TRUE;
    while (more) {
        buffer.assign(needed / sizeof(uint64_t) + 1, 0);
        BOOL done = EnumServicesStatusExW(manager, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                                          reinterpret_cast<BYTE*>(buffer.data()),
                                          static_cast<DWORD>(buffer.size() * sizeof(uint64_t)), &needed, &count,
                                          &resume, nullptr);
        if (!done && GetLastError() != ERROR_MORE_DATA) return std::wstring();
        more = !done;
        const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            if (_wcsicmp(services[i].lpServiceName, ownName.c_str()) == 0) continue;
            std::wstring account = startName(manager, services[i].lpServiceName);
            if (mayHoldGrantedRight(account) && accountSid(account) == sid) return services[i].lpServiceName;
        }
    }
    return std::wstring();
}

void releaseLogonRight(SC_HANDLE manager, const std::wstring& ownName, const std::wstring& sid) {
    std::wstring account = accountOfSid(sid);
    std::wstring other = otherServiceOfAccount(manager, ownName, sid);
    if (!other.empty()) {
        std::printf("Kept the right of '%S' to log on as a service: service '%S' runs under it.\n", account.c_str(),
                    other.c_str());
        return;
    }
    AccountFailure failure = revokeServiceLogonRight(sid);
    if (failure.what.empty()) {
        std::printf("Took back the right of '%S' to log on as a service.\n", account.c_str());
    } else {
        std::printf("Could not take back the right of '%S' to log on as a service (error %d): %s\n", account.c_str(),
                    static_cast<int>(failure.error), consoleBytes(systemErrorText(failure.error)).c_str());
    }
}
