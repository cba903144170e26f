// Stands in for the run path while the VM launch is not part of the build:
// a run ends as a failed launch.
#include "core/run_path.h"

#include "support/temp_dirs.h"

void runInProcess(const std::vector<std::wstring>&, bool) { exitLauncher(1); }
