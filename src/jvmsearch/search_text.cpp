#include "jvmsearch/search_text.h"

#include <algorithm>
#include <cstring>

#include "jvmsearch/version.h"

std::vector<SearchEntry> splitSearchSequence(const std::string& sequence) {
    std::vector<SearchEntry> entries;
    size_t start = 0;
    while (start <= sequence.size()) {
        size_t end = sequence.find(';', start);
        if (end == std::string::npos) end = sequence.size();
        if (end > start) entries.push_back({sequence[start], sequence.substr(start + 1, end - start - 1)});
        start = end + 1;
    }
    return entries;
}

bool isAbsoluteLocation(const std::string& value) {
    return value.size() > 1 && (value[1] == ':' || (value[0] == '\\' && value[1] == '\\'));
}

void trimLineEnd(std::string& line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
}

std::string javaExeDirectory(const std::string& javaExe) {
    static const std::string javaw = "javaw.exe";
    bool isJavaw = javaExe.size() >= javaw.size() && javaExe.compare(javaExe.size() - javaw.size(), javaw.size(), javaw) == 0;
    size_t cut = (isJavaw ? javaw.size() : std::strlen("java.exe")) + 1;
    std::string directory = javaExe.size() > cut ? javaExe.substr(0, javaExe.size() - cut) : std::string();
    if (directory.size() > 1999) directory.resize(1999);
    return directory;
}

std::string zuluTestName(const std::string& keyName) {
    return keyName.compare(0, 5, "zulu-") == 0 ? keyName.substr(5) : keyName;
}

void sortNewestFirst(std::vector<JavaCandidate>& candidates) {
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const JavaCandidate& a, const JavaCandidate& b) { return isNewerVersion(a.version, b.version); });
}

void sortNamesNewestFirst(std::vector<std::string>& names) {
    std::stable_sort(names.begin(), names.end(), isNewerVersion);
}
