#include "service/output_tail.h"

namespace {

std::string shown(std::string line, bool cut) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    for (char& c : line) {
        unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F) c = '?';
    }
    if (cut && !line.empty()) line += "...";
    return line;
}

}  // namespace

void OutputTail::endLine() {
    std::string line = shown(current_, currentCut_);
    current_.clear();
    currentCut_ = false;
    if (line.empty()) return;
    lines_.push_back(std::move(line));
    if (lines_.size() > maxLines_) lines_.pop_front();
}

void OutputTail::add(const char* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            endLine();
        } else if (current_.size() < maxLineBytes_) {
            current_.push_back(data[i]);
        } else {
            currentCut_ = true;
        }
    }
}

std::vector<std::string> OutputTail::lines() const {
    std::vector<std::string> result(lines_.begin(), lines_.end());
    std::string last = shown(current_, currentCut_);
    if (!last.empty()) {
        result.push_back(last);
        if (result.size() > maxLines_) result.erase(result.begin());
    }
    return result;
}
