// The user's locale in Java's form, from the user's UI language.
#pragma once

#include <string>

// Sets out to the detected locale string, or "en"; cannot fail.
void detectLocale(std::string& out);
