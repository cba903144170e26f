// The launcher's entry point: start-up, then the role the command line asks
// for (an administration verb, a run of the Java application in this
// process, the service's worker, or the service process itself).
#pragma once

// Gives the process exit code.
int launcherMain();
