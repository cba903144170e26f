#include "launch/path_entry_list.h"

std::vector<PathEntry> parsePathEntries(const std::string& list) {
    std::vector<PathEntry> entries;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        std::string piece = list.substr(start, end - start);
        if (piece.size() >= 2) entries.push_back(PathEntry{piece[0], piece[1] == '1', piece.substr(2)});
        start = end + 1;
    }
    return entries;
}

std::string environmentPathValue(const std::string& value) {
    std::string text = value;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    if (text.empty() || text.back() != ';') text += ';';
    return text;
}
