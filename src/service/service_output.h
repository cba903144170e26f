// What the service process does with its worker's standard output and error:
// kept in the configured output log (if any), and its last lines kept for
// the report of a failed worker.
#pragma once

#include <cstddef>
#include <string>

// Reads the output log entries and opens (or rolls) the log; without them
// nothing is written anywhere.
void startServiceOutput();
// One block read from the worker's output pipe, from the reading thread.
void keepServiceOutput(const char* data, size_t size);
void stopServiceOutput();
// The worker's last lines, one per line, decoded for the event log; empty
// when it wrote nothing.
std::wstring serviceOutputTail();
