// printf-style formatting with the launcher's own conventions, the same on
// Windows and in the native build: in a wide format "%s" inserts a wide string
// and "%S" an 8-bit one; in a narrow format it is the other way round. "%ls"
// is always wide, "%hs" always 8-bit. Integer lengths: h, l, ll, I64, I32, z.
// "%p" prints the pointer as upper-case hex padded to the pointer's width.
// "%n" is not supported and prints nothing.
#pragma once

#include <cstdarg>
#include <string>

std::wstring formatWide(const wchar_t* format, ...);
std::wstring formatWideV(const wchar_t* format, va_list args);
std::string formatNarrow(const char* format, ...);
std::string formatNarrowV(const char* format, va_list args);

// The byte-by-byte widening used wherever an 8-bit string is put into a wide
// text: every byte becomes the UTF-16 unit of the same value.
std::wstring widenBytes(const std::string& text);
std::wstring widenBytes(const char* text, size_t length);

// The reverse for formatting a wide string into an 8-bit text: units below
// 0x100 become that byte, every other unit becomes '?'.
std::string narrowBytes(const std::wstring& text);
