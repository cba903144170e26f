// The table from Windows language identifiers to Java locale strings
// ("de_CH", or a bare language such as "en").
#pragma once

#include <cstddef>
#include <cstdint>

// The exact entry, else the primary language's entry, else "en".
const char* localeForLanguageId(uint16_t languageId);

size_t localeTableSize();
