// Launcher variable expansion with values and a fake environment taken from
// the input (fields: text, executable directory, launcher temp directory, JVM
// home, temp root, then environment entries). replaceAll must equal cutting
// the original text at the pattern and joining with the value; narrow and
// wide expansion must agree; text without "%" and "$" stays as it is; a
// reference to an environment entry whose value holds no reference becomes
// that value.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "host.h"
#include "launch/variable_expansion.h"

namespace {

template <class String>
String cutAndJoin(const String& text, const String& pattern, const String& value, size_t& count) {
    count = 0;
    if (pattern.empty()) return text;
    String out;
    size_t start = 0;
    for (size_t at = text.find(pattern); at != String::npos; at = text.find(pattern, start)) {
        out += text.substr(start, at - start);
        out += value;
        start = at + pattern.size();
        ++count;
    }
    return out + text.substr(start);
}

template <class String>
void checkReplaceAll(const String& text, const String& pattern, const String& value) {
    String replaced = text;
    size_t expectedCount = 0;
    String expected = cutAndJoin(text, pattern, value, expectedCount);
    FUZZ_CHECK(replaceAll(replaced, pattern, value) == expectedCount);
    FUZZ_CHECK(replaced == expected);
}

// NUL-separated entries ending with an empty one, as the platform hands it out.
template <class Char>
std::basic_string<Char> environmentBlock(const std::vector<std::basic_string<Char>>& entries) {
    std::basic_string<Char> block;
    for (const auto& entry : entries)
        if (!entry.empty()) block += entry + Char(0);
    return block + Char(0);
}

bool isPlainName(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
    // The built-in names are replaced first.
    return name.rfind("VORBIX_", 0) != 0 && name.rfind("TESSALY_", 0) != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;
    resetHost();
    std::vector<std::string> fields = fuzzFields(data, size);
    fields.resize(std::max<size_t>(fields.size(), 5));
    for (std::string& field : fields) field = field.c_str();  // entries are C strings
    const std::string& text = fields[0];

    checkReplaceAll(text, fields[1], fields[2]);
    checkReplaceAll(fuzzWiden(text), fuzzWiden(fields[1]), fuzzWiden(fields[2]));

    LauncherVariableValues<char> narrow{fields[1], fields[2], fields[3], fields[4]};
    LauncherVariableValues<wchar_t> wide{fuzzWiden(fields[1]), fuzzWiden(fields[2]), fuzzWiden(fields[3]),
                                         fuzzWiden(fields[4])};
    std::vector<std::string> entries(fields.begin() + 5, fields.end());
    std::vector<std::wstring> wideEntries;
    for (const std::string& entry : entries) wideEntries.push_back(fuzzWiden(entry));
    std::string environment = environmentBlock(entries);
    std::wstring wideEnvironment = environmentBlock(wideEntries);

    std::string expanded = text;
    expandWithValues(expanded, narrow, environment.c_str());
    std::wstring expandedWide = fuzzWiden(text);
    expandWithValues(expandedWide, wide, wideEnvironment.c_str());
    FUZZ_CHECK(expandedWide == fuzzWiden(expanded));
    if (text.find_first_of("%$") == std::string::npos) FUZZ_CHECK(expanded == text);

    // "${NAME}" alone, NAME the first entry with a plain name and a value
    // free of references.
    for (const std::string& entry : entries) {
        size_t equals = entry.find('=');
        if (entry.empty()) continue;
        if (equals == std::string::npos) continue;
        std::string name = entry.substr(0, equals), value = entry.substr(equals + 1);
        if (!isPlainName(name) || value.find_first_of("%$") != std::string::npos) break;
        std::string reference = "${" + name + "}";
        expandWithValues(reference, narrow, environment.c_str());
        FUZZ_CHECK(reference == value);
        break;
    }
    return 0;
}
