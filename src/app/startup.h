// Start-up preparation, run once by the entry point in every process, and
// the run path that hosts the Java application in this process.
#pragma once

#include "app/run_path.h"

// Completes the configuration (localized entries), sets the launcher
// flavour, reduces PATH, clears the Java option variables and changes the
// working directory, each if configured.
void prepareStartup();
