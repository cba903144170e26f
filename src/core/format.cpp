#include "core/format.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

struct Directive {
    bool left = false, plus = false, space = false, alt = false, zero = false;
    int width = -1;
    int precision = -1;
    enum Length { None, Short, Long, LongLong, Size } length = None;
    bool forceWide = false, forceNarrow = false;
};

template <typename Ch>
void pad(std::basic_string<Ch>& out, int count, Ch fill) {
    if (count > 0) out.append(static_cast<size_t>(count), fill);
}

template <typename Ch>
void emit(std::basic_string<Ch>& out, const std::basic_string<Ch>& body, const Directive& directive) {
    int padding = directive.width - static_cast<int>(body.size());
    if (!directive.left) pad(out, padding, Ch(' '));
    out += body;
    if (directive.left) pad(out, padding, Ch(' '));
}

template <typename Ch>
std::basic_string<Ch> fromAscii(const char* text) {
    std::basic_string<Ch> result;
    for (; *text; ++text) result.push_back(static_cast<Ch>(static_cast<unsigned char>(*text)));
    return result;
}

template <typename Ch>
void emitInteger(std::basic_string<Ch>& out, Directive directive, bool isSigned, uint64_t magnitude,
                 bool negative, int base, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string number;
    if (magnitude == 0) {
        if (directive.precision != 0) number = "0";
    } else {
        while (magnitude) {
            number.insert(number.begin(), digits[magnitude % static_cast<unsigned>(base)]);
            magnitude /= static_cast<unsigned>(base);
        }
    }
    if (directive.precision > static_cast<int>(number.size()))
        number.insert(0, static_cast<size_t>(directive.precision) - number.size(), '0');
    std::string prefix;
    if (isSigned) {
        if (negative) prefix = "-";
        else if (directive.plus) prefix = "+";
        else if (directive.space) prefix = " ";
    }
    if (directive.alt && base == 16 && !number.empty() && number != "0") prefix += upper ? "0X" : "0x";
    if (directive.alt && base == 8 && (number.empty() || number[0] != '0')) number.insert(0, "0");
    if (directive.zero && !directive.left && directive.precision < 0) {
        int fill = directive.width - static_cast<int>(prefix.size() + number.size());
        if (fill > 0) number.insert(0, static_cast<size_t>(fill), '0');
    }
    emit(out, fromAscii<Ch>((prefix + number).c_str()), directive);
}

// The string argument converted to the output's character width.
std::wstring asOutput(std::wstring*, const char* text, int precision) {
    size_t length = std::strlen(text);
    if (precision >= 0 && static_cast<size_t>(precision) < length) length = static_cast<size_t>(precision);
    return widenBytes(text, length);
}
std::wstring asOutput(std::wstring*, const wchar_t* text, int precision) {
    size_t length = std::wcslen(text);
    if (precision >= 0 && static_cast<size_t>(precision) < length) length = static_cast<size_t>(precision);
    return std::wstring(text, length);
}
std::string asOutput(std::string*, const char* text, int precision) {
    size_t length = std::strlen(text);
    if (precision >= 0 && static_cast<size_t>(precision) < length) length = static_cast<size_t>(precision);
    return std::string(text, length);
}
std::string asOutput(std::string*, const wchar_t* text, int precision) {
    size_t length = std::wcslen(text);
    if (precision >= 0 && static_cast<size_t>(precision) < length) length = static_cast<size_t>(precision);
    return narrowBytes(std::wstring(text, length));
}

template <typename Ch>
std::basic_string<Ch> formatImpl(const Ch* format, va_list args) {
    // Native character: the string type that a plain %s takes in this width.
    constexpr bool kWideFormat = sizeof(Ch) != 1;
    std::basic_string<Ch> out;
    if (!format) return out;
    va_list ap;
    va_copy(ap, args);
    const Ch* p = format;
    while (*p) {
        if (*p != Ch('%')) {
            out.push_back(*p++);
            continue;
        }
        const Ch* start = p++;
        if (*p == Ch('%')) {
            out.push_back(Ch('%'));
            ++p;
            continue;
        }
        Directive directive;
        for (;; ++p) {
            if (*p == Ch('-')) directive.left = true;
            else if (*p == Ch('+')) directive.plus = true;
            else if (*p == Ch(' ')) directive.space = true;
            else if (*p == Ch('#')) directive.alt = true;
            else if (*p == Ch('0')) directive.zero = true;
            else break;
        }
        if (*p == Ch('*')) {
            directive.width = va_arg(ap, int);
            if (directive.width < 0) {
                directive.left = true;
                directive.width = -directive.width;
            }
            ++p;
        } else {
            while (*p >= Ch('0') && *p <= Ch('9')) {
                directive.width = (directive.width < 0 ? 0 : directive.width) * 10 + (*p - Ch('0'));
                if (directive.width > 100000) directive.width = 100000;
                ++p;
            }
        }
        if (*p == Ch('.')) {
            ++p;
            directive.precision = 0;
            if (*p == Ch('*')) {
                directive.precision = va_arg(ap, int);
                ++p;
            } else {
                while (*p >= Ch('0') && *p <= Ch('9')) {
                    directive.precision = directive.precision * 10 + (*p - Ch('0'));
                    if (directive.precision > 100000) directive.precision = 100000;
                    ++p;
                }
            }
        }
        if (*p == Ch('h')) {
            ++p;
            directive.forceNarrow = true;
            directive.length = Directive::Short;
            if (*p == Ch('h')) ++p;
        } else if (*p == Ch('l')) {
            ++p;
            directive.forceWide = true;
            directive.length = Directive::Long;
            if (*p == Ch('l')) {
                directive.length = Directive::LongLong;
                ++p;
            }
        } else if (*p == Ch('I') && p[1] == Ch('6') && p[2] == Ch('4')) {
            directive.length = Directive::LongLong;
            p += 3;
        } else if (*p == Ch('I') && p[1] == Ch('3') && p[2] == Ch('2')) {
            p += 3;
        } else if (*p == Ch('z') || *p == Ch('I')) {
            directive.length = Directive::Size;
            ++p;
        } else if (*p == Ch('j') || *p == Ch('t')) {
            directive.length = Directive::LongLong;
            ++p;
        }
        Ch conversion = *p;
        if (!conversion) {
            out.append(start, p);
            break;
        }
        ++p;
        switch (conversion) {
        case Ch('d'):
        case Ch('i'): {
            int64_t value;
            switch (directive.length) {
            case Directive::LongLong: value = va_arg(ap, long long); break;
            case Directive::Long: value = va_arg(ap, long); break;
            case Directive::Size: value = static_cast<int64_t>(va_arg(ap, ptrdiff_t)); break;
            case Directive::Short: value = static_cast<short>(va_arg(ap, int)); break;
            default: value = va_arg(ap, int); break;
            }
            uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
            emitInteger(out, directive, true, magnitude, value < 0, 10, false);
            break;
        }
        case Ch('u'):
        case Ch('x'):
        case Ch('X'):
        case Ch('o'): {
            uint64_t value;
            switch (directive.length) {
            case Directive::LongLong: value = va_arg(ap, unsigned long long); break;
            case Directive::Long: value = va_arg(ap, unsigned long); break;
            case Directive::Size: value = va_arg(ap, size_t); break;
            case Directive::Short: value = static_cast<unsigned short>(va_arg(ap, unsigned)); break;
            default: value = va_arg(ap, unsigned); break;
            }
            int base = conversion == Ch('o') ? 8 : conversion == Ch('u') ? 10 : 16;
            emitInteger(out, directive, false, value, false, base, conversion == Ch('X'));
            break;
        }
        case Ch('p'): {
            uintptr_t value = reinterpret_cast<uintptr_t>(va_arg(ap, void*));
            Directive pointer = directive;
            pointer.precision = static_cast<int>(2 * sizeof(void*));
            emitInteger(out, pointer, false, value, false, 16, true);
            break;
        }
        case Ch('c'):
        case Ch('C'): {
            int value = va_arg(ap, int);
            bool wideArg = directive.forceWide || (!directive.forceNarrow && ((conversion == Ch('c')) == kWideFormat));
            Ch unit;
            if (wideArg) {
                unsigned code = static_cast<unsigned>(value) & 0xFFFF;
                unit = (!kWideFormat && code > 0xFF) ? Ch('?') : static_cast<Ch>(code);
            } else {
                unit = static_cast<Ch>(static_cast<unsigned char>(value));
            }
            emit(out, std::basic_string<Ch>(1, unit), directive);
            break;
        }
        case Ch('s'):
        case Ch('S'): {
            bool wideArg = directive.forceWide || (!directive.forceNarrow && ((conversion == Ch('s')) == kWideFormat));
            std::basic_string<Ch>* tag = nullptr;
            if (wideArg) {
                const wchar_t* text = va_arg(ap, const wchar_t*);
                emit(out, asOutput(tag, text ? text : L"(null)", directive.precision), directive);
            } else {
                const char* text = va_arg(ap, const char*);
                emit(out, asOutput(tag, text ? text : "(null)", directive.precision), directive);
            }
            break;
        }
        case Ch('e'):
        case Ch('E'):
        case Ch('f'):
        case Ch('F'):
        case Ch('g'):
        case Ch('G'): {
            double value = va_arg(ap, double);
            char conv[2] = {static_cast<char>(conversion), 0};
            std::string pattern = std::string("%") + (directive.left ? "-" : "") + (directive.plus ? "+" : "") +
                                  (directive.zero ? "0" : "") + (directive.width >= 0 ? std::to_string(directive.width) : "") +
                                  (directive.precision >= 0 ? "." + std::to_string(directive.precision) : "") + conv;
            char buffer[512];
            std::snprintf(buffer, sizeof buffer, pattern.c_str(), value);
            out += fromAscii<Ch>(buffer);
            break;
        }
        case Ch('n'):
            (void)va_arg(ap, void*);
            break;
        default:
            out.append(start, p);
            break;
        }
    }
    va_end(ap);
    return out;
}

}  // namespace

std::wstring widenBytes(const char* text, size_t length) {
    std::wstring result(length, L'\0');
    for (size_t i = 0; i < length; ++i) result[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    return result;
}

std::wstring widenBytes(const std::string& text) { return widenBytes(text.data(), text.size()); }

std::string narrowBytes(const std::wstring& text) {
    std::string result(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned code = static_cast<unsigned>(text[i]);
        result[i] = code < 0x100 ? static_cast<char>(code) : '?';
    }
    return result;
}

std::wstring formatWideV(const wchar_t* format, va_list args) { return formatImpl<wchar_t>(format, args); }
std::string formatNarrowV(const char* format, va_list args) { return formatImpl<char>(format, args); }

std::wstring formatWide(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring result = formatWideV(format, args);
    va_end(args);
    return result;
}

std::string formatNarrow(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string result = formatNarrowV(format, args);
    va_end(args);
    return result;
}
