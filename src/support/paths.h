// Path utilities: conversions between wide and narrow paths, the executable's
// own path and directory, absolute and canonical forms.
#pragma once

#include <string>

// The executable's wide path (module file name, long form).
const std::wstring& getExecutablePathWide();
