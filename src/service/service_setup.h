// The optional settings of a service that "/install" has just created:
// only what the configuration asks for is set, and the first setting the
// system refuses ends the setup, so that the caller can remove the service.
#pragma once

#include <windows.h>

#include <string>

#include "service/service_settings.h"

struct SetupFailure {
    std::wstring what;   // what failed, "" when everything was set
    DWORD error = 0;     // the system error code
};

// In this order: the logon right of an explicit user account, the failure
// actions, their flag for non-zero exit codes, the delayed start (for an
// automatic start only) and the pre-shutdown time.
SetupFailure applyServiceSettings(SC_HANDLE service, const ServiceSettings& settings, const std::wstring& account,
                                  DWORD startType);
