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
        : std::runtime_error(oneLine(message)), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    // Messages quote what the user wrote (keys, names, paths), which may hold
    // line breaks and other control characters: shown escaped, so that the
    // message stays one line.
    static std::string oneLine(const std::string& message) {
        static const char kHex[] = "0123456789abcdef";
        std::string out;
        for (char c : message) {
            unsigned char u = static_cast<unsigned char>(c);
            if (c == '\n') {
                out += "\\n";
            } else if (c == '\r') {
                out += "\\r";
            } else if (u < 0x20 && c != '\t') {
                out += "\\x";
                out += kHex[u >> 4];
                out += kHex[u & 15];
            } else {
                out += c;
            }
        }
        return out;
    }

    int exitCode_;
};

// What the block readers shared with the launcher throw in this tool when a
// read fails (the launcher would end with the same text as fatalError).
struct BlockReadError {
    std::string text;
};
