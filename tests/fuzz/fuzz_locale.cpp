// The locale side of the configuration: the table lookup for any language
// identifier, and which locale sections apply. Input: two bytes of language
// identifier, then sections as (prefix length, prefix, record id, value
// length, value). The loaded wide table must hold, for every id, the value
// of the last matching section, else the base value.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "block_builder.h"
#include "core/config/config_reader.h"
#include "core/config/config_store.h"
#include "fuzz_check.h"
#include "host.h"
#include "support/locale_table.h"

namespace {

bool lower(char c) { return c >= 'a' && c <= 'z'; }
bool upper(char c) { return c >= 'A' && c <= 'Z'; }

// "xx", "xx_YY" or "xx_YY_ZZ".
bool javaLocaleForm(const std::string& locale) {
    if (locale.size() < 2 || !lower(locale[0]) || !lower(locale[1])) return false;
    for (size_t at = 2; at < locale.size(); at += 3)
        if (at + 3 > locale.size() || locale[at] != '_' || !upper(locale[at + 1]) || !upper(locale[at + 2]))
            return false;
    return locale.size() <= 8;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    configStore() = ConfigStore();
    resetHost();
    uint16_t languageId = static_cast<uint16_t>(data[0] | (data[1] << 8));
    const char* found = localeForLanguageId(languageId);
    FUZZ_CHECK(found != nullptr);
    std::string locale = found;
    FUZZ_CHECK(javaLocaleForm(locale));
    FUZZ_CHECK(localeForLanguageId(languageId) == std::string(found));

    // A fuzzed locale text may replace the table's (byte 2 odd).
    size_t at = 2;
    if (size > 3 && (data[2] & 1)) {
        size_t length = data[3] % 9;
        at = 4;
        locale.assign(reinterpret_cast<const char*>(data + at), std::min(length, size - at));
        at += locale.size();
    }

    std::vector<std::pair<int32_t, std::u16string>> wide = {{1, u"base1"}, {2, u"base2"}, {3, u"base3"}};
    std::vector<std::pair<std::string, std::vector<std::pair<int32_t, std::u16string>>>> sections;
    std::map<int32_t, std::u16string> expected(wide.begin(), wide.end());
    while (at + 3 <= size && sections.size() < 32) {
        size_t prefixLength = data[at++] % 8;
        prefixLength = std::min(prefixLength, size - at);
        std::string prefix(reinterpret_cast<const char*>(data + at), prefixLength);
        at += prefixLength;
        if (at + 2 > size) break;
        int32_t id = data[at++] % 5;
        size_t valueLength = data[at++] % 4;
        valueLength = std::min(valueLength, size - at);
        std::u16string value;
        for (size_t i = 0; i < valueLength; ++i) value += static_cast<char16_t>(data[at + i]);
        at += valueLength;
        sections.push_back({prefix, {{id, value}}});
        // Prefixes are C strings in the reader: a NUL ends them.
        std::string effective = prefix.c_str();
        bool applies = effective.size() <= locale.size() && std::memcmp(effective.data(), locale.data(), effective.size()) == 0;
        FUZZ_CHECK(localeSectionMatches(effective, locale) == applies);
        if (applies) expected[id] = value;
    }

    std::vector<uint8_t> block = makeBlock({{1, "x"}}, wide, sections);
    // Behind a minimal image whose last section ends at 0x400.
    std::vector<uint8_t> image = withBlockAt(makePe({{0x200, 0x200}}), 0x400, block);
    try {
        MemoryByteSource source(image.data(), image.size());
        readLocalizedEntries(source, [&] { return locale; });
    } catch (...) {
        FUZZ_CHECK(!"a block of valid records was refused");
    }
    const ConfigStore& store = configStore();
    FUZZ_CHECK(store.wide.size() == expected.size());
    for (const auto& [id, value] : expected) {
        auto it = store.wide.find(id);
        FUZZ_CHECK(it != store.wide.end());
        FUZZ_CHECK(it->second == std::wstring(value.begin(), value.end()));
    }
    FUZZ_CHECK(store.languageCode == (locale.size() >= 2 ? locale.substr(0, 2) : ""));
    FUZZ_CHECK(store.countryCode == (locale.size() == 5 ? locale.substr(3, 2) : ""));
    FUZZ_CHECK(store.payloadPosition == static_cast<int32_t>(image.size()));
    return 0;
}
