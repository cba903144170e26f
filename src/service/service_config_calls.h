// The service control manager's configuration calls as the launcher makes
// them: the extended ones looked up at run time (older systems lack them),
// and the queries into a buffer that grows to what the answer needs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// ChangeServiceConfig2W; false with ERROR_PROC_NOT_FOUND where the system lacks it.
bool changeServiceConfig2(SC_HANDLE service, DWORD level, void* info);

// The answers are structures holding pointers into the same buffer, so it is
// kept 8-byte aligned. False (GetLastError tells why) when there is no answer.
using ServiceConfigBuffer = std::vector<uint64_t>;
bool queryServiceConfig2(SC_HANDLE service, DWORD level, ServiceConfigBuffer& buffer);
// QueryServiceConfigW; the answer is a QUERY_SERVICE_CONFIGW at the buffer's start.
bool queryServiceConfig(SC_HANDLE service, ServiceConfigBuffer& buffer);
