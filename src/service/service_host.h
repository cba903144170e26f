// The service process: reports the service state to the service control
// manager and supervises the worker, a copy of this executable started with
// the restart marker, whose output it keeps in the output log (or discards)
// and to which it passes stop requests through the worker's standard input.
#pragma once

#include <windows.h>

// The entry handed to StartServiceCtrlDispatcherW.
void WINAPI serviceMain(DWORD argumentCount, LPWSTR* arguments);
void WINAPI controlHandler(DWORD control);
// The same, registered when the pre-shutdown request is accepted.
DWORD WINAPI controlHandlerEx(DWORD control, DWORD eventType, LPVOID eventData, LPVOID context);
// Ignores every console event, so none ends the process.
BOOL WINAPI consoleCtrlHandler(DWORD event);
// Writes the code and a line feed to the worker's input, then closes it.
void sendShutdown(int code);
DWORD WINAPI consumeOutput(LPVOID pipe);

// The registry key (under HKLM) whose value named after a service holds the
// worker's priority class bits.
constexpr const wchar_t* kPriorityKey = L"SOFTWARE\\quindle\\vorbix\\priority";
