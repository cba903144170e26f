#include "launch/wildcard_match.h"

bool wildcardMatch(const char* pattern, const char* text) {
    // Iterative form of the recursive walk: remember the last "*" and the
    // text position it was tried at, and retry one character later on a
    // mismatch. Same results, no recursion depth and no exponential blow-up.
    const char* star = nullptr;
    const char* retry = nullptr;
    while (*text) {
        if (*pattern == '*') {
            while (*pattern == '*') ++pattern;
            if (!*pattern) return true;
            star = pattern;
            retry = text;
        } else if (*pattern && (*pattern == '?' || *pattern == *text)) {
            ++pattern;
            ++text;
        } else if (star) {
            pattern = star;
            text = ++retry;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return !*pattern;
}
