#include "service/service_snapshot.h"

#include <cstdint>
#include <vector>

#include "service/service_config_calls.h"
#include "service/service_registry.h"

namespace {

std::wstring text(const wchar_t* value) { return value ? value : L""; }

void readDependencies(const QUERY_SERVICE_CONFIGW& config, ServiceRecord& record) {
    const wchar_t* list = config.lpDependencies;
    if (list) {
        const wchar_t* end = list;
        while (*end) end += wcslen(end) + 1;
        record.dependencies = splitNulList(std::wstring(list, end - list));
    }
    if (!record.dependencies.empty()) return;
    // Some managers store the lists without reporting them.
    if (auto services = serviceMultiStringValue(record.name, L"DependOnService")) record.dependencies = *services;
    if (auto groups = serviceMultiStringValue(record.name, L"DependOnGroup"))
        for (const std::wstring& group : *groups) record.dependencies.push_back(L"+" + group);
}

void readRecovery(SC_HANDLE service, ServiceRecord& record) {
    ServiceConfigBuffer buffer;
    if (queryServiceConfig2(service, SERVICE_CONFIG_FAILURE_ACTIONS, buffer)) {
        const auto* info = reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(buffer.data());
        Recovery recovery;
        recovery.resetSeconds = info->dwResetPeriod;
        recovery.rebootMessage = text(info->lpRebootMsg);
        recovery.command = text(info->lpCommand);
        for (DWORD i = 0; i < info->cActions && info->lpsaActions; ++i)
            recovery.actions.push_back({static_cast<uint32_t>(info->lpsaActions[i].Type), info->lpsaActions[i].Delay});
        record.recovery = recovery;
    }
    // Without an answer nothing is known: the binary value the system keeps
    // has no documented layout.
    if (queryServiceConfig2(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, buffer)) {
        record.recoveryOnNonZeroExit =
            reinterpret_cast<const SERVICE_FAILURE_ACTIONS_FLAG*>(buffer.data())->fFailureActionsOnNonCrashFailures != 0;
    } else if (serviceKeyExists(record.name)) {
        record.recoveryOnNonZeroExit = serviceDwordValue(record.name, L"FailureActionsOnNonCrashFailures").value_or(0) != 0;
    }
}

void readStartAndShutdown(SC_HANDLE service, ServiceRecord& record) {
    ServiceConfigBuffer buffer;
    if (queryServiceConfig2(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, buffer)) {
        record.delayedAutoStart =
            reinterpret_cast<const SERVICE_DELAYED_AUTO_START_INFO*>(buffer.data())->fDelayedAutostart != 0;
    } else if (serviceKeyExists(record.name)) {
        record.delayedAutoStart = serviceDwordValue(record.name, L"DelayedAutostart").value_or(0) != 0;
    }
    // Windows answers with its default when nothing is set; a manager that
    // answers 0 may still keep the value in the key.
    if (queryServiceConfig2(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, buffer)) {
        DWORD timeout = reinterpret_cast<const SERVICE_PRESHUTDOWN_INFO*>(buffer.data())->dwPreshutdownTimeout;
        if (timeout) record.preshutdownMs = timeout;
    }
    std::optional<DWORD> stored = serviceDwordValue(record.name, L"PreshutdownTimeout");
    record.preshutdownStored = stored.has_value();
    if (!record.preshutdownMs && stored) record.preshutdownMs = *stored;
}

}  // namespace

bool readServiceRecord(SC_HANDLE service, const std::wstring& name, ServiceRecord& record, DWORD& error) {
    record = ServiceRecord();
    record.name = name;
    SERVICE_STATUS status;
    if (QueryServiceStatus(service, &status)) record.state = status.dwCurrentState;

    ServiceConfigBuffer buffer;
    if (!queryServiceConfig(service, buffer)) {
        error = GetLastError();
        return false;
    }
    const auto* config = reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(buffer.data());
    record.displayName = text(config->lpDisplayName);
    record.binaryPath = text(config->lpBinaryPathName);
    record.serviceType = config->dwServiceType;
    record.startType = config->dwStartType;
    record.errorControl = config->dwErrorControl;
    record.loadOrderGroup = text(config->lpLoadOrderGroup);
    record.account = text(config->lpServiceStartName);
    readDependencies(*config, record);

    ServiceConfigBuffer more;
    if (queryServiceConfig2(service, SERVICE_CONFIG_DESCRIPTION, more))
        record.description = text(reinterpret_cast<const SERVICE_DESCRIPTIONW*>(more.data())->lpDescription);
    readRecovery(service, record);
    readStartAndShutdown(service, record);
    record.grantedLogonRight = serviceStringValue(name, kGrantedLogonRightValue).value_or(L"");
    error = ERROR_SUCCESS;
    return true;
}
