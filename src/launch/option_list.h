// Operations on the ordered list of VM options that are independent of the
// platform: module options and their values, the options the launcher keeps
// for itself, and the "--add-modules"/"--add-opens" pair for a main class in
// a named module.
#pragma once

#include <string>
#include <vector>

using OptionList = std::vector<std::string>;

bool isModuleOption(const std::string& option);

// "--add-opens" followed by "x=y" becomes "--add-opens=x=y"; a name that is
// the last option stays as it is.
void joinModuleOptions(OptionList& options);

// Drops empty options and those starting with "-jvm=" (for the launcher only).
void removeLauncherOnlyOptions(OptionList& options);

// True when an option equals text exactly.
bool hasOption(const OptionList& options, const std::string& text);

// The module options for the module path: "--add-opens=module/package=runtime"
// when the main class names a module and a package, then
// "--add-modules=...,runtime". mainClass is empty when the main class is not
// in a named module.
void appendModuleOptions(OptionList& options, const std::string& mainClass, const std::string& runtimeModule);

// "-Xrs" in service mode unless an option is exactly that; the no-redirect
// property after "/run".
void appendModeOptions(OptionList& options, bool serviceMode, bool noRedirect);

// Removes exactly one trailing ";".
std::string withoutTrailingSeparator(const std::string& text);
