// Reads how a service is installed: from the service control manager, and
// from the service's registry key where the manager keeps a setting but
// cannot answer a query for it.
#pragma once

#include <windows.h>

#include <string>

#include "service/service_record.h"

// service: opened with SERVICE_QUERY_CONFIG and SERVICE_QUERY_STATUS. False,
// with the system error code, when its configuration cannot be read; each of
// the further settings that cannot be read stays absent.
bool readServiceRecord(SC_HANDLE service, const std::wstring& name, ServiceRecord& record, DWORD& error);
