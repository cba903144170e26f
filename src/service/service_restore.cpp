#include "service/service_restore.h"

#include <cwchar>

#include "service/service_registry.h"

namespace {

void putBack(std::vector<SetupFailure>& failures, SetupFailure failure) {
    if (!failure.what.empty()) failures.push_back(failure);
}

void restoreRecovery(SC_HANDLE service, const ServiceRecord& record, std::vector<SetupFailure>& failures) {
    if (!record.recovery || record.recovery->actions.empty()) return;
    Recovery recovery = *record.recovery;
    std::vector<SC_ACTION> actions;
    for (const RecoveryAction& action : recovery.actions) {
        SC_ACTION entry;
        entry.Type = static_cast<SC_ACTION_TYPE>(action.type);
        entry.Delay = action.delayMs;
        actions.push_back(entry);
    }
    SERVICE_FAILURE_ACTIONSW info = {};
    info.dwResetPeriod = recovery.resetSeconds;
    info.lpRebootMsg = recovery.rebootMessage.empty() ? nullptr : &recovery.rebootMessage[0];
    info.lpCommand = recovery.command.empty() ? nullptr : &recovery.command[0];
    info.cActions = static_cast<DWORD>(actions.size());
    info.lpsaActions = actions.data();
    putBack(failures, changeServiceSetting(service, SERVICE_CONFIG_FAILURE_ACTIONS, &info, L"the failure actions"));
    if (record.recoveryOnNonZeroExit.value_or(false)) {
        SERVICE_FAILURE_ACTIONS_FLAG flag = {};
        flag.fFailureActionsOnNonCrashFailures = TRUE;
        putBack(failures, changeServiceSetting(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag,
                                               L"the failure actions for a stop with a non-zero exit code"));
    }
}

}  // namespace

bool recreateService(SC_HANDLE manager, const ServiceRecord& record, std::vector<SetupFailure>& failures) {
    failures.clear();
    std::wstring dependencies = joinNulList(record.dependencies);
    bool localSystem = record.account.empty() || _wcsicmp(record.account.c_str(), L"LocalSystem") == 0;
    SC_HANDLE service = CreateServiceW(
        manager, record.name.c_str(), record.displayName.c_str(), SERVICE_ALL_ACCESS, record.serviceType,
        record.startType, record.errorControl, record.binaryPath.c_str(),
        record.loadOrderGroup.empty() ? nullptr : record.loadOrderGroup.c_str(), nullptr,
        dependencies.empty() ? nullptr : dependencies.c_str(), localSystem ? nullptr : record.account.c_str(), nullptr);
    if (!service) {
        failures.push_back({L"creating it again", GetLastError()});
        return false;
    }
    if (!record.description.empty()) {
        std::wstring description = record.description;
        SERVICE_DESCRIPTIONW info;
        info.lpDescription = &description[0];
        putBack(failures, changeServiceSetting(service, SERVICE_CONFIG_DESCRIPTION, &info, L"the description"));
    }
    restoreRecovery(service, record, failures);
    if (record.delayedAutoStart.value_or(false)) {
        SERVICE_DELAYED_AUTO_START_INFO info = {};
        info.fDelayedAutostart = TRUE;
        putBack(failures,
                changeServiceSetting(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &info, L"the delayed start"));
    }
    // Only a time set for the service; the default stays a default.
    if (record.preshutdownMs && record.preshutdownStored) {
        SERVICE_PRESHUTDOWN_INFO info = {};
        info.dwPreshutdownTimeout = *record.preshutdownMs;
        putBack(failures,
                changeServiceSetting(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, &info, L"the pre-shutdown timeout"));
    }
    if (!record.grantedLogonRight.empty()) {
        DWORD error = setServiceStringValue(record.name, kGrantedLogonRightValue, record.grantedLogonRight);
        if (error != ERROR_SUCCESS) failures.push_back({L"the record of the granted logon right", error});
    }
    CloseServiceHandle(service);
    return true;
}
