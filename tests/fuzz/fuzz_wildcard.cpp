// wildcardMatch against a plain dynamic-programming matcher over pattern and
// text from the input (pattern, newline, text).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "host.h"
#include "launch/wildcard_match.h"

namespace {

bool referenceMatch(const std::string& pattern, const std::string& text) {
    // matches[j]: the pattern so far matches the first j characters of text.
    std::vector<char> matches(text.size() + 1, 0);
    matches[0] = 1;
    for (char p : pattern) {
        std::vector<char> next(text.size() + 1, 0);
        if (p == '*') {
            next[0] = matches[0];
            for (size_t j = 1; j <= text.size(); ++j) next[j] = matches[j] || next[j - 1];
        } else {
            for (size_t j = 1; j <= text.size(); ++j)
                next[j] = matches[j - 1] && (p == '?' || p == text[j - 1]);
        }
        matches.swap(next);
    }
    return matches[text.size()];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;  // the reference is quadratic
    resetHost();
    std::vector<std::string> fields = fuzzFields(data, size);
    // The matcher sees C strings.
    std::string pattern = fields[0].c_str();
    std::string text = fields.size() > 1 ? fields[1].c_str() : "";
    bool matched = wildcardMatch(pattern.c_str(), text.c_str());
    FUZZ_CHECK(matched == referenceMatch(pattern, text));
    // A text always matches itself when it holds no wildcard, and "*" around
    // a pattern never loses a match.
    if (text.find_first_of("*?") == std::string::npos) FUZZ_CHECK(wildcardMatch(text.c_str(), text.c_str()));
    if (matched) FUZZ_CHECK(wildcardMatch(("*" + pattern + "*").c_str(), text.c_str()));
    return 0;
}
