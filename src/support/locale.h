// The user's locale in Java's form, from the user's UI language.
#pragma once

#include <string>

// The detected locale string, or "en"; cannot fail.
std::string detectLocale();
