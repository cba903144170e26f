// Creation of the VM on its own thread and the call of the launcher class's
// main.
#pragma once

#include <string>
#include <vector>

// True when main returned without an exception.
bool launchJava(const std::vector<std::wstring>& arguments);
