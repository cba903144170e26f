// The VM's argument list: the launcher's properties, configured and file-based
// options, "-J" arguments, class path and module path, module options, and
// "@" argument files, in that order.
#pragma once

#include <jni.h>

#include <optional>
#include <string>
#include <vector>

// Fills the init arguments (JNI_VERSION_1_2, unrecognized options ignored);
// the option strings stay allocated for the life of the process.
void buildVmArguments(JavaVMInitArgs& initArgs, const std::vector<std::string>& properties,
                      const std::vector<std::wstring>& arguments);

// A forced JVM location: "-J-jvm=" on the command line (when "-J" arguments
// are accepted), else the last "-jvm=" option of the configured options and
// the executable's options file.
std::optional<std::string> findJvmOverride(const std::vector<std::wstring>& arguments);
