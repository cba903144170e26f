// Launcher temp directories left behind by launchers that ended without
// removing theirs (a normal end of the application, System.exit, a crash, a
// stopped service): each holds a lock file that its process keeps open
// without sharing, so one whose lock can be opened is no longer in use.
#pragma once

#include <string>

// Creates and holds this process's lock in its launcher temp directory; a
// failure is logged and leaves the directory as it was (never removed by
// others).
void lockLauncherTempDir(const std::string& directory);
// Lets go of the lock (before the directory itself is removed).
void unlockLauncherTempDir();

// Removes, under the temp root, every launcher temp directory whose lock is
// free, with the temporary file that named it; directories without a lock,
// with a held one, and every other name are left alone. Searches the temp
// root when it is not known yet; does nothing when there is none.
void removeStaleLauncherTempDirs();
// The same at low priority on the calling thread, under a temp root already
// known (a run that extracted files; it calls this once its main runs).
void removeStaleLauncherTempDirsQuietly();
