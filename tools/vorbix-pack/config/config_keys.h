// The keys of CONFIG.json: one readable name per configuration entry, with
// the form the launcher reads it in and how long a value its reader takes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/config/config_ids.h"

enum class KeyForm {
    Text,           // base table, 8-bit text
    Number,         // base table, decimal text
    Switch,         // base table, decimal text; booleans give 1 and 0
    Seconds,        // base table, decimal text of a non-negative integer
    Count,          // base table, decimal text of a non-negative integer (bytes, files)
    Account,        // base table, a service account (service/service_settings.h)
    FailureActions, // base table, {resetSeconds, actions, failOnNonZeroExit} encoded as in service/service_settings.h
    NameList,       // base table, strings joined by `separator`
    ClassPathList,  // base table, {type, required, value} items joined by ";"
    SearchList,     // base table, {type, value} items joined by ";"
    Localized,      // wide table, overridable per locale
};

struct ConfigKey {
    const char* name;
    ConfigId id;
    KeyForm form;
    // Characters the launcher's reader takes (its buffer less the NUL);
    // 0 when it reads the entry whole.
    size_t maxLength;
    // List forms: the allowed type letters, or for NameList the separator.
    const char* letters;
};

// Every wide-table text ends in a 6000-character buffer.
constexpr size_t kWideMaxLength = 5999;

// The named keys in the order inspect prints them.
const std::vector<ConfigKey>& configKeys();
const ConfigKey* findKeyByName(const std::string& name);
const ConfigKey* findKeyById(ConfigId id);

// The structured keys that span several entries or tables.
constexpr const char* kVersionOptionSetsKey = "versionOptionSets";  // 10200, 10201 + 2i, 10202 + 2i
constexpr const char* kIncludedFilesKey = "includedFiles";          // 2002, 2003 and the file table
constexpr const char* kMessagesKey = "messages";                    // wide table, by message id
constexpr const char* kWideKey = "wide";                            // raw wide-table entries by id
constexpr const char* kLocalesKey = "locales";                      // locale sections
constexpr const char* kRuntimeArchiveKey = "runtimeArchive";        // the tool's own: runtime archive or not
constexpr const char* kArchitectureKey = "architecture";            // the tool's own: which bare launcher
constexpr const char* kIconKey = "icon";                            // the tool's own: the executable's icon
constexpr const char* kInstallerKey = "installer";                  // the tool's own: what msi packages; build ignores it
constexpr const char* kSchemaKey = "$schema";                       // for editors; build ignores it
constexpr const char* kSignatureKey = "signature";                  // written by inspect; build ignores it
constexpr const char* kPackedByKey = "packedBy";                    // written by inspect; build ignores it
// The version keys (version, productName, ...) are listed in version_resource.h.

// Every top-level key that is not one of configKeys(): the structured keys,
// the tool's own and the version keys. build refuses any other name (but a
// raw id), so a new key has to be listed here, and with it in the schema.
const std::vector<std::string>& toolKeys();
bool isToolKey(const std::string& name);

// Limit of the options of a version-specific set (read widened into 6000).
constexpr size_t kVersionOptionsMaxLength = 5999;

const std::vector<ConfigId>& messageIds();
bool isMessageId(ConfigId id);

// The longest value the launcher reads for a base-table id, 0 = no limit.
size_t baseMaxLength(ConfigId id);
