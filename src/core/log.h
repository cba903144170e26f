// The diagnostic log and error reporting used by every part of the launcher.
// Log formats are wide: %s inserts a wide string, %S an 8-bit one (see
// core/format.h). The log is silent unless VORBIX_LOG or TESSALY_LOG asks
// for it.
#pragma once

#include "core/config/config_ids.h"

void logMessage(const wchar_t* format, ...);
void logError(const wchar_t* format, ...);

// Closes the log file (the next entry reopens it) and gives its path, or
// nullptr while the log is off.
const wchar_t* closeLogForDisplay();
// The log file's path without touching the file, or nullptr while the log
// is off.
const wchar_t* diagnosticLogPath();
// Closes the file after every entry from now on.
void enterSafeLogMode();

// Message box for graphical executables, else the console or standard error.
void setErrorsInMessageBox(bool enabled);
void showError(const wchar_t* text);

// Configuration message id with its first "{0}" replaced by the detail.
void reportMessage(ConfigId id);
void reportMessage(ConfigId id, const wchar_t* detail);
void reportMessage(ConfigId id, const char* detail);

// showError / reportMessage, then exitLauncher(1).
[[noreturn]] void fatalError(const wchar_t* text);
[[noreturn]] void fatalError(ConfigId id);
[[noreturn]] void fatalError(ConfigId id, const wchar_t* detail);
[[noreturn]] void fatalError(ConfigId id, const char* detail);
