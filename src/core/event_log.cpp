#include "core/event_log.h"

#include <windows.h>

#include "core/log.h"

namespace {

// Without a message file registered for the source the event viewer shows
// the inserted string as it is; one event id is enough for that.
constexpr DWORD kEventId = 1;
// Sources are looked up by name; a longer one is of no use to anybody.
constexpr size_t kMaxSourceLength = 256;

std::wstring eventSource;
bool errorReported = false;

}  // namespace

void enableServiceEvents(const std::wstring& source) {
    eventSource = source.empty() ? L"unknown" : source.substr(0, kMaxSourceLength);
}

bool serviceEventsEnabled() { return !eventSource.empty(); }

void reportServiceEvent(ServiceEventKind kind, const std::wstring& text) {
    if (eventSource.empty()) return;
    if (kind == ServiceEventKind::Error) errorReported = true;
    HANDLE source = RegisterEventSourceW(nullptr, eventSource.c_str());
    if (!source) {
        logError(L"RegisterEventSource failed (%d)", static_cast<int>(GetLastError()));
        return;
    }
    const wchar_t* strings[] = {text.c_str()};
    WORD type = kind == ServiceEventKind::Error ? EVENTLOG_ERROR_TYPE : EVENTLOG_WARNING_TYPE;
    if (!ReportEventW(source, type, 0, kEventId, nullptr, 1, 0, strings, nullptr))
        logError(L"ReportEvent failed (%d)", static_cast<int>(GetLastError()));
    DeregisterEventSource(source);
}

bool serviceErrorReported() { return errorReported; }
