// The temp root, the launcher temp directory and the exit routine that
// removes it.
#pragma once

[[noreturn]] void exitLauncher(int exitCode);
