#include "launch/jni_text.h"

static_assert(sizeof(jchar) == 2, "jchar is a UTF-16 unit");
static_assert(sizeof(wchar_t) == 2 || sizeof(wchar_t) == 4, "wchar_t holds UTF-16 units or whole characters");

std::vector<jchar> toJchars(const std::wstring& text) {
    std::vector<jchar> units;
    units.reserve(text.size());
    for (wchar_t c : text) {
        auto code = static_cast<unsigned long>(c);
        if (sizeof(wchar_t) == 4 && code > 0xFFFF && code <= 0x10FFFF) {
            code -= 0x10000;
            units.push_back(static_cast<jchar>(0xD800 + (code >> 10)));
            units.push_back(static_cast<jchar>(0xDC00 + (code & 0x3FF)));
        } else {
            // Out of range on a 32-bit wchar_t: the replacement character.
            units.push_back(code > 0xFFFF ? jchar{0xFFFD} : static_cast<jchar>(code));
        }
    }
    return units;
}

std::wstring fromJchars(const jchar* units, jsize length) {
    std::wstring text;
    text.reserve(static_cast<size_t>(length));
    for (jsize i = 0; i < length; ++i) {
        unsigned long unit = units[i];
        if (sizeof(wchar_t) == 4 && unit >= 0xD800 && unit < 0xDC00 && i + 1 < length && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
            ++i;
        }
        text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
}
