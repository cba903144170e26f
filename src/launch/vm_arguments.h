// Assembly of the VM's argument list from the configuration, the option files
// and the command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The JVM location forced by a "-J-jvm=" argument or an option file line.
std::optional<std::string> findJvmOverride(const std::vector<std::wstring>& arguments);
