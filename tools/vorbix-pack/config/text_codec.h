// Text conversions between the JSON side (UTF-8) and the block (8-bit base
// table, UTF-16 wide table).
#pragma once

#include <string>

// The base table is 8-bit and the launcher widens every byte to the UTF-16
// unit of the same value, so only Latin-1 survives. Throws PackError naming
// `where` when a character lies outside it.
std::string utf8ToLatin1(const std::string& utf8, const std::string& where);
std::string latin1ToUtf8(const std::string& latin1);

std::u16string utf8ToUtf16(const std::string& utf8, const std::string& where);
// Unpaired surrogates (never written by this tool) become U+FFFD.
std::string utf16ToUtf8(const std::u16string& utf16);
