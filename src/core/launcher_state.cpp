#include "core/launcher_state.h"

std::wstring& serviceName() {
    static std::wstring name;
    return name;
}

bool serviceMode = false;
bool noRedirect = false;
char launcherFlavour = 0;
