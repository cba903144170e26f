// Launcher variables in configured texts: the built-in names and "${NAME}"
// references to environment variables, with this process's values.
#pragma once

#include <string>

#include "launch/variable_expansion.h"

// Narrow (file-API code page) text, in place.
void expandVariables(std::string& text);
// Wide text, in place; ansiSafe picks directory forms that survive a later
// conversion to the file-API code page.
void expandVariablesWide(std::wstring& text, bool ansiSafe);
