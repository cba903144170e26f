#include "support/temp_dirs.h"

#include <windows.h>

#include <cstdio>

void exitLauncher(int exitCode) {
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(exitCode));
}
