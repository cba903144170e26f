// Options file lines, wildcard patterns, memory sizes and version conditions
// from arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host.h"
#include "launch/memory_size.h"
#include "launch/options_file_text.h"
#include "launch/wildcard_match.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    resetHost();
    const char* text = reinterpret_cast<const char*>(data);
    forEachOptionsFileLine(text, size, [](const std::string& line) {
        if (line.empty()) __builtin_trap();
    });
    // Pattern and text are separated by the first newline.
    std::string input(text, size);
    size_t cut = input.find('\n');
    std::string pattern = input.substr(0, cut);
    std::string subject = cut == std::string::npos ? std::string() : input.substr(cut + 1);
    wildcardMatch(pattern.c_str(), subject.c_str());
    versionConditionMatches(pattern, subject, static_cast<int>(size));
    parseMemorySize(pattern.c_str());
    return 0;
}
