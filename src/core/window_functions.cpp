#include "core/window_functions.h"

namespace {

template <class Function>
void lookUp(HMODULE library, const char* name, Function& out) {
    out = library ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

}  // namespace

bool WindowFunctions::complete() const {
    return messageBox && enumWindows && getWindowThreadProcessId && isWindowVisible && isIconic && showWindow &&
           setForegroundWindow && getLastActivePopup;
}

const WindowFunctions& windowFunctions() {
    static const WindowFunctions functions = [] {
        WindowFunctions f;
        HMODULE user32 = LoadLibraryW(L"user32.dll");
        lookUp(user32, "MessageBoxW", f.messageBox);
        lookUp(user32, "EnumWindows", f.enumWindows);
        lookUp(user32, "GetWindowThreadProcessId", f.getWindowThreadProcessId);
        lookUp(user32, "IsWindowVisible", f.isWindowVisible);
        lookUp(user32, "IsIconic", f.isIconic);
        lookUp(user32, "ShowWindow", f.showWindow);
        lookUp(user32, "SetForegroundWindow", f.setForegroundWindow);
        lookUp(user32, "GetLastActivePopup", f.getLastActivePopup);
        return f;
    }();
    return functions;
}
