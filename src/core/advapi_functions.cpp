#include "core/advapi_functions.h"

#include <windows.h>
#include <delayimp.h>

namespace {

FARPROC fromKernelbase(const char* name) {
    HMODULE kernelbase = GetModuleHandleW(L"kernelbase.dll");
    return kernelbase ? GetProcAddress(kernelbase, name) : nullptr;
}

// Asked before each first call of a delay-loaded function: an address
// returned here is the function's, and its DLL is not loaded for it.
FARPROC WINAPI beforeDelayLoad(unsigned reason, PDelayLoadInfo info) {
    if (reason != dliStartProcessing || !info->dlp.fImportByName) return nullptr;
    if (lstrcmpiA(info->szDll, "advapi32.dll") != 0) return nullptr;
    return fromKernelbase(info->dlp.szProcName);
}

}  // namespace

// The runtime's delay-load helper calls the hook of this name.
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = beforeDelayLoad;
}
