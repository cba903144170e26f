// The last lines a worker wrote, kept so that the report of its failure can
// show them. Bounded in lines and in bytes per line.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

constexpr size_t kTailLines = 20;
constexpr size_t kTailLineBytes = 300;

class OutputTail {
public:
    explicit OutputTail(size_t maxLines = kTailLines, size_t maxLineBytes = kTailLineBytes)
        : maxLines_(maxLines), maxLineBytes_(maxLineBytes) {}

    void add(const char* data, size_t size);
    // The last lines, oldest first, the unfinished one last: without the line
    // end, blank lines left out, control bytes shown as "?", a line longer
    // than the bound cut and ended with "...".
    std::vector<std::string> lines() const;

private:
    void endLine();

    size_t maxLines_;
    size_t maxLineBytes_;
    std::deque<std::string> lines_;
    std::string current_;
    bool currentCut_ = false;
};
