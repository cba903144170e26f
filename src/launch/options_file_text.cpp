#include "launch/options_file_text.h"

#include "core/config/config_store.h"
#include "core/log.h"
#include "launch/wildcard_match.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

void handleLine(std::string& line, const std::function<void(const std::string&)>& callback) {
    size_t end = line.size();
    while (end > 0 && (line[end - 1] == '\r' || line[end - 1] == '\n')) --end;
    size_t begin = 0;
    while (begin < end && isBlank(line[begin])) ++begin;
    while (end > begin && isBlank(line[end - 1])) --end;
    if (begin == end || line[begin] == '#') return;
    callback(line.substr(begin, end - begin));
}

}  // namespace

void forEachOptionsFileLine(const char* data, size_t size, const std::function<void(const std::string&)>& callback) {
    std::string line;
    for (size_t i = 0; i < size; ++i) {
        char c = data[i];
        if (c == 0x1A) break;
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n') continue;
        line.push_back(c);
        if (c == '\n') {
            handleLine(line, callback);
            line.clear();
        }
    }
    if (!line.empty()) handleLine(line, callback);
}

int majorVersion(const std::vector<int>& components) {
    if (components.empty()) return -1;
    if (components[0] == 1 && components.size() > 1) return components[1];
    return components[0];
}

bool versionConditionMatches(const std::string& condition, const std::string& version, int major) {
    if (!condition.empty() && condition[0] == '*') {
        bool matches = wildcardMatch(condition.c_str() + 1, version.c_str());
        logMessage(L"checking version %S %d", condition.c_str(), matches ? 1 : 0);
        return matches;
    }
    size_t dash = condition.find('-');
    if (dash == std::string::npos) {
        logMessage(L"ERROR: expected dash");
        logMessage(L"checking version %S %d", condition.c_str(), 0);
        return false;
    }
    std::string low = condition.substr(0, dash);
    int min = parseConfigInt(low.c_str());
    int max = parseConfigInt(condition.c_str() + dash + 1);
    logMessage(L"checking min %d max %d with %d", min, max, major);
    bool matches = min <= major && major <= max;
    logMessage(L"checking version %S %d", low.c_str(), matches ? 1 : 0);
    return matches;
}
