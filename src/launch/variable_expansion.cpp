#include "launch/variable_expansion.h"

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

template <class Char>
size_t replaceAllIn(std::basic_string<Char>& text, const std::basic_string<Char>& pattern,
                    const std::basic_string<Char>& value) {
    if (pattern.empty()) return 0;
    size_t count = 0;
    size_t at = text.find(pattern);
    while (at != std::basic_string<Char>::npos) {
        text.replace(at, pattern.size(), value);
        logReplacement(pattern, value);
        ++count;
        at = text.find(pattern, at + value.size());
    }
    return count;
}

template <class Char>
std::basic_string<Char> literal(const char* text) {
    std::basic_string<Char> out;
    for (const char* p = text; *p; ++p) out += static_cast<Char>(static_cast<unsigned char>(*p));
    return out;
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
    const std::basic_string<Char> separator = literal<Char>(";");
    for (const BuiltIn& builtIn : kBuiltIns)
        replaceAllIn(text, literal<Char>(builtIn.name), valueOf(builtIn.value, values, separator));
    if (!environment) return;
    for (const Char* entry = environment; *entry;) {
        std::basic_string<Char> copy(entry);
        entry += copy.size() + 1;
        size_t equals = copy.find(static_cast<Char>('='));
        if (equals == std::basic_string<Char>::npos) continue;
        std::basic_string<Char> pattern = literal<Char>("${") + copy.substr(0, equals) + literal<Char>("}");
        std::basic_string<Char> value = copy.substr(equals + 1);
        replaceAllIn(text, pattern, value);
        upperCaseAscii(pattern);
        replaceAllIn(text, pattern, value);
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
