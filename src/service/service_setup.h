// The optional settings of a service that "/install" has just created:
// only what the configuration asks for is set, and the first setting the
// system refuses ends the setup, so that the caller can remove the service.
#pragma once

#include <windows.h>

#include <string>

#include "service/service_account.h"
#include "service/service_settings.h"

struct SetupFailure {
    std::wstring what;   // what failed, "" when everything was set
    DWORD error = 0;     // the system error code
};

// In this order: the logon right of an explicit user account, the failure
// actions, their flag for non-zero exit codes, the delayed start (for an
// automatic start only) and the pre-shutdown time. right tells what became
// of the logon right, also when a later setting failed.
SetupFailure applyServiceSettings(SC_HANDLE service, const ServiceSettings& settings, const std::wstring& account,
                                  DWORD startType, LogonRight& right);

// One ChangeServiceConfig2W call; a system without the call cannot take the
// setting, which is a failure like a refusal. what names the setting.
SetupFailure changeServiceSetting(SC_HANDLE service, DWORD level, void* info, const wchar_t* what);
