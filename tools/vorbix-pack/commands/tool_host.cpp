// The launcher's log and error functions as the block readers see them
// inside vorbix-pack: the log is silent, and a fatal error becomes an
// exception that the tool reports with the file it was reading.
#include <string>

#include "base/pack_error.h"
#include "core/format.h"
#include "core/log.h"

void logMessage(const wchar_t*, ...) {}
void logError(const wchar_t*, ...) {}
const wchar_t* closeLogForDisplay() { return nullptr; }
void enterSafeLogMode() {}
void setErrorsInMessageBox(bool) {}
void showError(const wchar_t*) {}
void reportMessage(ConfigId) {}
void reportMessage(ConfigId, const wchar_t*) {}
void reportMessage(ConfigId, const char*) {}

void fatalError(const wchar_t* text) { throw BlockReadError{narrowBytes(text)}; }
void fatalError(ConfigId id) { throw BlockReadError{"message " + std::to_string(id)}; }
void fatalError(ConfigId id, const wchar_t*) { fatalError(id); }
void fatalError(ConfigId id, const char*) { fatalError(id); }
