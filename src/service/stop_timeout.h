// How long the service host waits for its worker after a stop request before
// it terminates the worker.
#pragma once

#include <cstdint>
#include <string>

// No limit: the host waits until the worker ends by itself.
constexpr int64_t kNoStopTimeout = -1;

// The wait in milliseconds for the stop timeout entry's text, or
// kNoStopTimeout when the entry is absent (null) or not a plain non-negative
// decimal number of seconds. Large values are capped at a wait the platform
// can express (just under 49 days).
int64_t stopTimeoutMilliseconds(const std::string* entry);
