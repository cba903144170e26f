// Wide text to and from the UTF-16 units of Java strings. Where wchar_t has
// 16 bits (Windows) the units are the same; where it has 32 (the native
// build) characters above U+FFFF become surrogate pairs and back.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

std::vector<jchar> toJchars(const std::wstring& text);
// A pair becomes one character; a lone surrogate stays a unit of its own.
std::wstring fromJchars(const jchar* units, jsize length);
