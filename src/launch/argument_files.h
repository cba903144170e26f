// "@" argument files, expanded by the selected runtime's jli.dll.
#pragma once

#include "launch/option_list.h"

// Replaces each "@" option by the runtime's expansion; without the library or
// its functions the options stay as they are.
void expandArgumentFiles(OptionList& options);
