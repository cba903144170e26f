// Reports to the Windows Application event log, so that an administrator can
// see why a service stopped: its worker's output is discarded and a message
// box cannot appear in a service. Only the service process and its worker
// switch it on; every other run of the launcher reports nothing there.
#pragma once

#include <string>

enum class ServiceEventKind { Error, Warning };

// Reports from now on under the given source name (the service's name).
void enableServiceEvents(const std::wstring& source);
bool serviceEventsEnabled();
// One entry with the text as its only string; nothing while not enabled.
void reportServiceEvent(ServiceEventKind kind, const std::wstring& text);
// True once an error entry was reported by this process.
bool serviceErrorReported();
