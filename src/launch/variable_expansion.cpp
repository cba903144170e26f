#include "launch/variable_expansion.h"

#include <vector>

#include "core/log.h"

namespace {

enum class Value { ExecutableDirectory, LauncherTempDirectory, Separator, JvmHome, TempRoot };

struct BuiltIn {
    const char* name;
    Value value;
};

// Replaced in this order; later names are searched in what earlier ones
// inserted.
constexpr BuiltIn kBuiltIns[] = {
    {"%VORBIX_EXEDIR%", Value::ExecutableDirectory},
    {"%TESSALY_EXEDIR%", Value::ExecutableDirectory},
    {"%VORBIX_TEMPDIR%", Value::LauncherTempDirectory},
    {"%TESSALY_TEMPDIR%", Value::LauncherTempDirectory},
    {"%VORBIX_PATHLIST_SEPARATOR%", Value::Separator},
    {"%TESSALY_PATHLIST_SEPARATOR%", Value::Separator},
    {"%VORBIX_JVM_HOME%", Value::JvmHome},
    {"%TESSALY_JVM_HOME%", Value::JvmHome},
    {"${VORBIX_EXEDIR}", Value::ExecutableDirectory},
    {"${TESSALY_EXEDIR}", Value::ExecutableDirectory},
    {"${VORBIX_TEMPDIR}", Value::LauncherTempDirectory},
    {"${TESSALY_TEMPDIR}", Value::LauncherTempDirectory},
    {"${VORBIX_PATHLIST_SEPARATOR}", Value::Separator},
    {"${TESSALY_PATHLIST_SEPARATOR}", Value::Separator},
    {"${VORBIX_JVM_HOME}", Value::JvmHome},
    {"${TESSALY_JVM_HOME}", Value::JvmHome},
    {"${launcher:sys.launcherDirectory}", Value::ExecutableDirectory},
    {"${launcher:sys.launcherTempDirectory}", Value::LauncherTempDirectory},
    {"${launcher:sys.pathlistSeparator}", Value::Separator},
    {"${launcher:sys.jvmHome}", Value::JvmHome},
    {"${launcher:sys.tempDir}", Value::TempRoot},
};

void logReplacement(const std::string& pattern, const std::string& value) {
    logMessage(L"expanding2 %S to %S.", pattern.c_str(), value.c_str());
}

void logReplacement(const std::wstring& pattern, const std::wstring& value) {
    logMessage(L"expanding2 %s to %s.", pattern.c_str(), value.c_str());
}

// Environment values may refer to later entries, so each step can double the
// text (A=${B}${B}, B=${C}${C}, ...): past this size expansion stops rather
// than exhausting memory. No real option line, path or entry comes near it.
constexpr size_t kExpandedTextLimit = size_t(1) << 18;

// Pattern and value as pointer and length: the environment walk searches
// with a reused buffer and the entry's own characters, allocating nothing
// unless a replacement happens. The result is built in one pass, so many
// occurrences cost linear time. Returns false when the result would pass
// the limit; the text then keeps the replacements made before that point.
template <class Char>
bool replaceAllIn(std::basic_string<Char>& text, const Char* pattern, size_t patternLength, const Char* value,
                  size_t valueLength, size_t limit, size_t& count) {
    using String = std::basic_string<Char>;
    count = 0;
    if (patternLength == 0) return true;
    size_t at = text.find(pattern, 0, patternLength);
    if (at == String::npos) return true;
    String out;
    size_t start = 0;
    bool fits = true;
    while (at != String::npos) {
        if (out.size() + (at - start) + valueLength + (text.size() - at - patternLength) > limit) {
            logMessage(L"expansion stopped: the text would pass %d characters", static_cast<int>(limit));
            fits = false;
            break;
        }
        out.append(text, start, at - start);
        out.append(value, valueLength);
        logReplacement(String(pattern, patternLength), String(value, valueLength));
        ++count;
        start = at + patternLength;
        // Searching on behind the inserted value is searching the original
        // text behind the occurrence.
        at = text.find(pattern, start, patternLength);
    }
    out.append(text, start, String::npos);
    text.swap(out);
    return fits;
}

template <class Char>
size_t replaceAllIn(std::basic_string<Char>& text, const std::basic_string<Char>& pattern,
                    const std::basic_string<Char>& value) {
    size_t count = 0;
    replaceAllIn(text, pattern.data(), pattern.size(), value.data(), value.size(), text.max_size(), count);
    return count;
}

template <class Char>
std::basic_string<Char> literal(const char* text) {
    std::basic_string<Char> out;
    for (const char* p = text; *p; ++p) out += static_cast<Char>(static_cast<unsigned char>(*p));
    return out;
}

// The built-in names in the text's character type, made once.
template <class Char>
const std::basic_string<Char>* builtInNames() {
    static const auto names = [] {
        std::vector<std::basic_string<Char>> out;
        for (const BuiltIn& builtIn : kBuiltIns) out.push_back(literal<Char>(builtIn.name));
        return out;
    }();
    return names.data();
}

template <class Char>
const std::basic_string<Char>& valueOf(Value which, const LauncherVariableValues<Char>& values,
                                       const std::basic_string<Char>& separator) {
    switch (which) {
        case Value::ExecutableDirectory: return values.executableDirectory;
        case Value::LauncherTempDirectory: return values.launcherTempDirectory;
        case Value::Separator: return separator;
        case Value::JvmHome: return values.jvmHome;
        case Value::TempRoot: break;
    }
    return values.tempRoot;
}

template <class Char>
void upperCaseAscii(std::basic_string<Char>& text) {
    for (Char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<Char>(c - 'a' + 'A');
}

template <class Char>
void expandIn(std::basic_string<Char>& text, const LauncherVariableValues<Char>& values, const Char* environment) {
    const std::basic_string<Char> separator(1, static_cast<Char>(';'));
    const std::basic_string<Char>* names = builtInNames<Char>();
    size_t count = 0;
    std::basic_string<Char> found;
    for (size_t i = 0; i < sizeof kBuiltIns / sizeof kBuiltIns[0]; ++i) {
        const std::basic_string<Char>* value = &valueOf(kBuiltIns[i].value, values, separator);
        if (kBuiltIns[i].value == Value::TempRoot && values.findTempRoot) {
            if (text.find(names[i]) == std::basic_string<Char>::npos) continue;
            found = values.findTempRoot();
            value = &found;
        }
        if (!replaceAllIn(text, names[i].data(), names[i].size(), value->data(), value->size(), kExpandedTextLimit,
                          count))
            return;
    }
    if (!environment) return;
    std::basic_string<Char> pattern;
    for (const Char* entry = environment; *entry;) {
        const Char* equals = entry;
        while (*equals && *equals != static_cast<Char>('=')) ++equals;
        const Char* end = equals;
        while (*end) ++end;
        const Char* next = end + 1;
        if (*equals) {
            pattern.assign(1, static_cast<Char>('$'));
            pattern += static_cast<Char>('{');
            pattern.append(entry, equals);
            pattern += static_cast<Char>('}');
            const Char* value = equals + 1;
            size_t valueLength = static_cast<size_t>(end - value);
            if (!replaceAllIn(text, pattern.data(), pattern.size(), value, valueLength, kExpandedTextLimit, count))
                return;
            upperCaseAscii(pattern);
            if (!replaceAllIn(text, pattern.data(), pattern.size(), value, valueLength, kExpandedTextLimit, count))
                return;
        }
        entry = next;
    }
}

}  // namespace

size_t replaceAll(std::string& text, const std::string& pattern, const std::string& value) {
    return replaceAllIn(text, pattern, value);
}

size_t replaceAll(std::wstring& text, const std::wstring& pattern, const std::wstring& value) {
    return replaceAllIn(text, pattern, value);
}

void expandWithValues(std::string& text, const LauncherVariableValues<char>& values, const char* environment) {
    expandIn(text, values, environment);
}

void expandWithValues(std::wstring& text, const LauncherVariableValues<wchar_t>& values,
                      const wchar_t* environment) {
    expandIn(text, values, environment);
}
