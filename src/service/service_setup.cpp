#include "service/service_setup.h"

#include <vector>

#include "core/format.h"
#include "core/log.h"
#include "service/service_account.h"
#include "service/service_config_calls.h"

namespace {

std::wstring describe(const std::vector<SC_ACTION>& actions) {
    std::wstring text;
    for (const SC_ACTION& action : actions) {
        if (!text.empty()) text += L", ";
        text += action.Type == SC_ACTION_RESTART ? formatWide(L"restart after %u ms", static_cast<unsigned>(action.Delay))
                                                 : std::wstring(L"none");
    }
    return text;
}

SetupFailure setFailureActions(SC_HANDLE service, const FailureActions& configured) {
    std::vector<SC_ACTION> actions;
    for (const FailureAction& action : configured.actions) {
        SC_ACTION entry;
        entry.Type = action.restart ? SC_ACTION_RESTART : SC_ACTION_NONE;
        entry.Delay = action.delayMs;
        actions.push_back(entry);
    }
    SERVICE_FAILURE_ACTIONSW info = {};
    info.dwResetPeriod = configured.resetSeconds;
    info.lpRebootMsg = nullptr;
    info.lpCommand = nullptr;
    info.cActions = static_cast<DWORD>(actions.size());
    info.lpsaActions = actions.data();
    logMessage(L"failure actions: reset after %u s, %s", static_cast<unsigned>(info.dwResetPeriod),
               describe(actions).c_str());
    SetupFailure failure = changeServiceSetting(service, SERVICE_CONFIG_FAILURE_ACTIONS, &info, L"setting the failure actions");
    if (!failure.what.empty() || !configured.failOnNonZeroExit) return failure;
    SERVICE_FAILURE_ACTIONS_FLAG flag = {};
    flag.fFailureActionsOnNonCrashFailures = TRUE;
    logMessage(L"failure actions also for a stop with a non-zero exit code");
    return changeServiceSetting(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag,
                  L"setting the failure actions for a stop with a non-zero exit code");
}

}  // namespace

SetupFailure changeServiceSetting(SC_HANDLE service, DWORD level, void* info, const wchar_t* what) {
    if (!changeServiceConfig2(service, level, info)) return {what, GetLastError()};
    return {};
}

SetupFailure applyServiceSettings(SC_HANDLE service, const ServiceSettings& settings, const std::wstring& account,
                                  DWORD startType, LogonRight& right) {
    right = LogonRight();
    if (settings.account == AccountKind::User) {
        AccountFailure failure = grantServiceLogonRight(account, right);
        if (!failure.what.empty()) return {failure.what, failure.error};
    }
    if (settings.failureActions) {
        SetupFailure failure = setFailureActions(service, *settings.failureActions);
        if (!failure.what.empty()) return failure;
    }
    if (settings.delayedAutoStart && startType == SERVICE_AUTO_START) {
        SERVICE_DELAYED_AUTO_START_INFO info = {};
        info.fDelayedAutostart = TRUE;
        logMessage(L"delayed automatic start");
        SetupFailure failure = changeServiceSetting(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &info, L"setting the delayed start");
        if (!failure.what.empty()) return failure;
    }
    if (settings.preshutdownMs) {
        SERVICE_PRESHUTDOWN_INFO info = {};
        info.dwPreshutdownTimeout = *settings.preshutdownMs;
        logMessage(L"pre-shutdown timeout %u ms", static_cast<unsigned>(info.dwPreshutdownTimeout));
        SetupFailure failure = changeServiceSetting(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, &info, L"setting the pre-shutdown timeout");
        if (!failure.what.empty()) return failure;
    }
    return {};
}
