#pragma once
// The few window and message box functions of user32, looked up when first
// needed. Importing user32 statically costs every start of the launcher its
// initialisation (a large share of a launch under Wine), and only error
// display and the activation of another instance's windows use it.
#include <windows.h>

struct WindowFunctions {
    int(WINAPI* messageBox)(HWND, LPCWSTR, LPCWSTR, UINT) = nullptr;
    BOOL(WINAPI* enumWindows)(WNDENUMPROC, LPARAM) = nullptr;
    DWORD(WINAPI* getWindowThreadProcessId)(HWND, LPDWORD) = nullptr;
    BOOL(WINAPI* isWindowVisible)(HWND) = nullptr;
    BOOL(WINAPI* isIconic)(HWND) = nullptr;
    BOOL(WINAPI* showWindow)(HWND, int) = nullptr;
    BOOL(WINAPI* setForegroundWindow)(HWND) = nullptr;
    HWND(WINAPI* getLastActivePopup)(HWND) = nullptr;

    // True when every function was found.
    bool complete() const;
};

// user32's functions, loaded on the first call; members stay null when the
// library or a function is missing.
const WindowFunctions& windowFunctions();
