#include "service/stop_timeout.h"

namespace {

// The longest finite wait (milliseconds): one below the "infinite" value.
constexpr int64_t kLongestWait = 0xFFFFFFFEll;

}  // namespace

int64_t stopTimeoutMilliseconds(const std::string* entry) {
    if (!entry || entry->empty()) return kNoStopTimeout;
    int64_t seconds = 0;
    for (char c : *entry) {
        // A sign, a blank or any other character: the builder writes only
        // digits, so such a value came from elsewhere and is not trusted as a
        // limit.
        if (c < '0' || c > '9') return kNoStopTimeout;
        seconds = seconds * 10 + (c - '0');
        if (seconds * 1000 > kLongestWait) return kLongestWait;
    }
    return seconds * 1000;
}
