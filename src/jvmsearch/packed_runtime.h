// Pack200 archives of a runtime shipped with the application: every
// lib\*.jar.pack and lib\ext\*.jar.pack without its jar is unpacked with the
// runtime's own unpack200.exe and then deleted.
#pragma once

#include <string>

void unpackPackedRuntime(const std::string& home);
void unpackDirectory(const std::string& home, const char* subdirectory, bool& started);
void runUnpack200(const std::string& home, const std::string& packedPath);
