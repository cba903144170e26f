// The process-wide store of the embedded configuration: a base table of 8-bit
// entries and a wide table of localizable UTF-16 entries, both keyed by
// ConfigId. Filled at start-up by loadEntries and loadLocalizedEntries, then
// only read.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "core/config/config_ids.h"

// Size of the buffers that configuration texts and messages are copied into.
constexpr size_t kTextBufferSize = 6000;

struct ConfigStore {
    std::map<ConfigId, std::string> base;
    std::map<ConfigId, std::wstring> wide;
    std::string languageCode;  // up to two characters, empty until set
    std::string countryCode;   // up to two characters, empty until set
    int32_t payloadPosition = 0;
};

ConfigStore& configStore();

// Accessors. The base table unless the name says otherwise.
const std::string* findBase(ConfigId id);            // null when absent
void getString(ConfigId id, std::string& out);       // out unchanged when absent
void getWideString(ConfigId id, std::wstring& out);  // widened byte by byte; unchanged when absent
int getInt(ConfigId id);                             // decimal, absent or no digits = 0
std::string dupString(ConfigId id);                  // empty when absent
// Copies at most size-1 characters and a NUL; logs and returns true when cut.
bool copyString(ConfigId id, char* buffer, size_t size);
// Widened entry and a NUL; an entry that does not fit is cut (and logged).
bool copyWideString(ConfigId id, wchar_t* buffer, size_t size);
// Wide-table entry into a buffer of kTextBufferSize characters.
void copyLocalizedString(ConfigId id, wchar_t* buffer);
// Wide-table entry, or when that is empty the widened base entry.
void getMessage(ConfigId id, wchar_t* buffer);
std::wstring getMessage(ConfigId id);

const std::string& languageCode();
const std::string& countryCode();
int32_t payloadPosition();

// Parses like the C library's atoi: leading blanks, an optional sign, then
// digits up to the first non-digit. Out-of-range values saturate.
int parseConfigInt(const char* text);
