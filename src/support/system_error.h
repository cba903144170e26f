// The system's texts for error codes, for the one-line messages of the
// administration verbs.
#pragma once

#include <windows.h>

#include <string>

// The system's text for the code, without its line break; "Error N." when
// the system has none.
std::wstring systemErrorText(DWORD error);

// A wide text as bytes for standard output: in the console's code page, or
// the ANSI code page when there is no console (output to a file or a pipe).
std::string consoleBytes(const std::wstring& text);
