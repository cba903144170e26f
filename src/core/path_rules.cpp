#include "core/path_rules.h"

#include "core/paths.h"

namespace {

template <typename Str>
bool driveRootForm(const Str& path) {
    if (path.size() < 2) return false;
    Str rest = path.substr(1);
    using Ch = typename Str::value_type;
    const Ch root[] = {Ch(':'), Ch('\\'), Ch(0)};
    const Ch dot[] = {Ch(':'), Ch('\\'), Ch('.'), Ch(0)};
    const Ch dotDot[] = {Ch(':'), Ch('\\'), Ch('.'), Ch('\\'), Ch('.'), Ch(0)};
    return rest == root || rest == dot || rest == dotDot;
}

template <typename Str>
bool exclamation(const Str& path) {
    using Ch = typename Str::value_type;
    if (!path.empty() && path.back() == Ch('!')) return true;
    for (size_t i = 0; i + 1 < path.size(); ++i)
        if (path[i] == Ch('!') && path[i + 1] == Ch('\\')) return true;
    return false;
}

template <typename Str>
bool relative(const Str& path) {
    using Ch = typename Str::value_type;
    if (path.size() <= 2) return true;
    size_t at = 0;
    if (path[0] == Ch('"')) {
        if (path.size() < 4) return true;
        at = 1;
    }
    if (path.size() >= at + 3 && path[at + 1] == Ch(':') && path[at + 2] == Ch('\\')) return false;
    if (path.size() >= at + 2 && path[at] == Ch('\\') && path[at + 1] == Ch('\\')) return false;
    return true;
}

template <typename Str>
Str cutAfterSeparator(const Str& path) {
    using Ch = typename Str::value_type;
    const Ch separators[] = {Ch('\\'), Ch('/'), Ch(0)};
    size_t at = path.find_last_of(separators);
    return at == Str::npos ? Str() : path.substr(0, at + 1);
}

template <typename Str>
void separatorIfMissing(Str& path) {
    using Ch = typename Str::value_type;
    if (!path.empty() && path.back() != Ch('\\') && path.back() != Ch('/')) path.push_back(Ch('\\'));
}

}  // namespace

bool isDriveRootForm(const std::string& path) { return driveRootForm(path); }
bool isDriveRootForm(const std::wstring& path) { return driveRootForm(path); }
bool hasExclamationMark(const std::string& path) { return exclamation(path); }
bool hasExclamationMark(const std::wstring& path) { return exclamation(path); }

bool isRelativePath(const std::string& path) { return relative(path); }
bool isRelativePathWide(const std::wstring& path) { return relative(path); }

bool hasExeExtension(const std::string& path) {
    if (path.size() < 5) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return tail == ".exe";
}

void collapseBackslashes(std::wstring& path, size_t start) {
    if (start + 2 >= path.size()) return;
    size_t write = start + 2;
    for (size_t read = start + 2; read < path.size(); ++read) {
        if (path[read] == L'\\' && path[write - 1] == L'\\') continue;
        path[write++] = path[read];
    }
    path.resize(write);
}

void lowerAsciiInPlace(std::wstring& text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
}

std::string cutAfterLastSeparator(const std::string& path) { return cutAfterSeparator(path); }
std::wstring cutAfterLastSeparator(const std::wstring& path) { return cutAfterSeparator(path); }
void appendSeparatorIfMissing(std::string& path) { separatorIfMissing(path); }
void appendSeparatorIfMissing(std::wstring& path) { separatorIfMissing(path); }

void joinPathList(std::string& out, const std::string& list,
                  const std::function<void(std::string& out, const std::string& piece)>& appendAbsolute,
                  void (*callback)(const std::string& entry)) {
    out.clear();
    size_t begin = 0;
    bool first = true;
    while (begin <= list.size()) {
        size_t end = list.find(';', begin);
        if (end == std::string::npos) end = list.size();
        if (end > begin) {
            if (!first) out.push_back(';');
            first = false;
            size_t entryStart = out.size();
            appendAbsolute(out, list.substr(begin, end - begin));
            if (callback) callback(out.substr(entryStart));
        }
        begin = end + 1;
    }
}

bool overflowsPathBuffer(size_t reportedLength) { return reportedLength >= kPathBufferSize; }
