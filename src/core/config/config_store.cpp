#include "core/config/config_store.h"

#include <climits>
#include <cstring>
#include <cwchar>

#include "core/format.h"
#include "core/log.h"

ConfigStore& configStore() {
    static ConfigStore store;
    return store;
}

const std::string* findBase(ConfigId id) {
    auto& base = configStore().base;
    auto it = base.find(id);
    return it == base.end() ? nullptr : &it->second;
}

namespace {

const std::wstring* findWide(ConfigId id) {
    auto& wide = configStore().wide;
    auto it = wide.find(id);
    return it == wide.end() ? nullptr : &it->second;
}

}  // namespace

void getString(ConfigId id, std::string& out) {
    if (const std::string* value = findBase(id)) out = *value;
}

void getWideString(ConfigId id, std::wstring& out) {
    if (const std::string* value = findBase(id)) out = widenBytes(*value);
}

int parseConfigInt(const char* text) {
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\v' || *text == '\f') ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

int getInt(ConfigId id) {
    if (!findBase(id)) return 0;
    char buffer[kTextBufferSize];
    copyString(id, buffer, sizeof buffer);
    return parseConfigInt(buffer);
}

std::string dupString(ConfigId id) {
    const std::string* value = findBase(id);
    return value ? *value : std::string();
}

namespace {

// The number of characters of a length-long entry that fit a buffer of size
// characters with its NUL; logs the cut.
size_t fittingLength(ConfigId id, size_t length, size_t size) {
    if (length <= size - 1) return length;
    logMessage(L"ERROR: config string %d truncated (%d %d)", static_cast<int>(id), static_cast<int>(size),
               static_cast<int>(length));
    return size - 1;
}

}  // namespace

bool copyString(ConfigId id, char* buffer, size_t size) {
    if (size == 0) return false;
    const std::string* value = findBase(id);
    if (!value) {
        buffer[0] = '\0';
        return false;
    }
    // Only the C string up to an embedded NUL counts, as for any C string.
    size_t full = std::strlen(value->c_str());
    size_t length = fittingLength(id, full, size);
    std::memcpy(buffer, value->c_str(), length);
    buffer[length] = '\0';
    return length < full;
}

bool copyWideString(ConfigId id, wchar_t* buffer, size_t size) {
    if (size == 0) return false;
    const std::string* value = findBase(id);
    if (!value) {
        buffer[0] = L'\0';
        return false;
    }
    size_t full = std::strlen(value->c_str());
    size_t length = fittingLength(id, full, size);
    for (size_t i = 0; i < length; ++i) buffer[i] = static_cast<wchar_t>(static_cast<unsigned char>((*value)[i]));
    buffer[length] = L'\0';
    return length < full;
}

void copyLocalizedString(ConfigId id, wchar_t* buffer) {
    const std::wstring* value = findWide(id);
    if (!value) {
        buffer[0] = L'\0';
        return;
    }
    // Never write past the caller's buffer; such an entry is cut.
    size_t length = fittingLength(id, std::wcslen(value->c_str()), kTextBufferSize);
    std::wmemcpy(buffer, value->c_str(), length);
    buffer[length] = L'\0';
}

void getMessage(ConfigId id, wchar_t* buffer) {
    copyLocalizedString(id, buffer);
    if (buffer[0] == L'\0') copyWideString(id, buffer, kTextBufferSize);
}

std::wstring getMessage(ConfigId id) {
    std::wstring buffer(kTextBufferSize, L'\0');
    getMessage(id, &buffer[0]);
    buffer.resize(std::wcslen(buffer.c_str()));
    return buffer;
}

const std::string& languageCode() { return configStore().languageCode; }
const std::string& countryCode() { return configStore().countryCode; }
int32_t payloadPosition() { return configStore().payloadPosition; }
