// The launcher temp directory's security descriptor (launcherTempDirSecurity()
// in text form), built in place: the system's conversion from the text lives
// in advapi32 alone, which a run otherwise never loads.
#pragma once

#include <windows.h>

struct TempDirSecurity {
    SECURITY_DESCRIPTOR descriptor;
    alignas(DWORD) unsigned char acl[128];
};

// Fills in the descriptor and its access list; false when the system refused.
bool buildTempDirSecurity(TempDirSecurity& security);
