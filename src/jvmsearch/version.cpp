#include "jvmsearch/version.h"

#include "core/config/config_ids.h"
#include "core/config/config_store.h"
#include "core/log.h"
#include "jvmsearch/java_runtime.h"

namespace {

bool isVersionSeparator(char c) { return c == '.' || c == '_' || c == '-' || c == '+'; }

}  // namespace

VersionVector parseVersion(const char* text) {
    VersionVector result;
    if (!text) return result;
    std::string piece;
    for (const char* p = text;; ++p) {
        if (*p == '\0' || isVersionSeparator(*p)) {
            if (!piece.empty()) result.push_back(parseConfigInt(piece.c_str()));
            piece.clear();
            if (*p == '\0') break;
        } else {
            piece += *p;
        }
    }
    return result;
}

bool compareWithBound(const VersionVector& bound, const VersionVector& version, bool isMaximum, bool prefixOnly) {
    for (size_t i = 0; i < bound.size(); ++i) {
        if (i >= version.size() && prefixOnly) return true;
        int32_t component = i < version.size() ? version[i] : 0;
        if (component == bound[i]) continue;
        bool versionIsGreater = component > bound[i];
        return isMaximum ? !versionIsGreater : versionIsGreater;
    }
    return true;
}

bool versionMatchesPrefix(const std::string& text, const VersionVector& min, const VersionVector& max) {
    VersionVector version = parseVersion(text);
    return compareWithBound(min, version, false, true) && compareWithBound(max, version, true, true);
}

bool isNewerVersion(const std::string& a, const std::string& b) {
    VersionVector left = parseVersion(a);
    VersionVector right = parseVersion(b);
    for (size_t i = 0; i < left.size(); ++i) {
        if (i >= right.size()) return true;
        if (left[i] != right[i]) return left[i] > right[i];
    }
    return false;
}

bool isBetaVersion(const std::string& version) {
    return version.find("beta") != std::string::npos || version.find("-ea") != std::string::npos ||
           version.find("-rc") != std::string::npos;
}

bool isVersionAcceptable(const std::string& version, const VersionVector& min, const VersionVector& max,
                         bool allowBeta) {
    if (!allowBeta && getInt(cfg::kAllowBetaJava) == 0 && isBetaVersion(version)) {
        logMessage(L"beta vm not allowed");
        return false;
    }
    VersionVector parsed = parseVersion(version);
    return compareWithBound(min, parsed, false, false) && compareWithBound(max, parsed, true, false);
}

bool extractJavaVersion(const std::string& output, std::string& version) {
    const std::string marker = jre::kVersionMarker;
    bool found = false;
    size_t start = 0;
    while (start <= output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(start, end - start);
        size_t at = line.find(marker);
        if (at != std::string::npos) {
            std::string rest = line.substr(at + marker.size());
            size_t quote = rest.find('"');
            if (quote != std::string::npos) {
                version = rest.substr(0, quote);
            } else {
                version = rest.size() >= 2 ? rest.substr(0, rest.size() - 2) : std::string();
            }
            logMessage(L"Java version2: %S", version.c_str());
            found = true;
        }
        start = end + 1;
    }
    return found;
}
