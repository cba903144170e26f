#include "service/service_removal.h"

#include <windows.h>

#include <cstdio>

#include "core/launcher_state.h"
#include "service/service_admin.h"

int uninstallIfInstalled() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) {
        std::printf("Could not open SCManager.\n");
        return 1;
    }
    SC_HANDLE service = OpenServiceW(manager, serviceName().c_str(), SERVICE_QUERY_STATUS);
    DWORD error = service ? ERROR_SUCCESS : GetLastError();
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    if (error == ERROR_SERVICE_DOES_NOT_EXIST) {
        std::printf("Service '%S' is not installed.\n", serviceName().c_str());
        return 0;
    }
    // The handles are closed first: an open one would keep a deleted service alive.
    return uninstallService(true);
}
