// The one error type of vorbix-pack: a single line for the user and the exit
// code it ends the tool with.
#pragma once

#include <stdexcept>
#include <string>

// Something wrong with what the user gave us: the configuration, a stub, an
// included file, the executable to inspect.
constexpr int kExitBadInput = 2;
// Something failed while writing the result.
constexpr int kExitWriteFailed = 1;

class PackError : public std::runtime_error {
public:
    explicit PackError(const std::string& message, int exitCode = kExitBadInput)
        : std::runtime_error(message), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};

// What the block readers shared with the launcher throw in this tool when a
// read fails (the launcher would end with the same text as fatalError).
struct BlockReadError {
    std::string text;
};
