// The two loads of the configuration block from the executable's own file.
#pragma once

#include <windows.h>

void loadEntries();
void loadLocalizedEntries();

// Opens the program's own file for reading; fatal when it cannot be opened.
HANDLE openOwnExecutable();
