// Version texts: parseVersion, the bound checks and the "newer" order must
// agree with each other for any two texts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/config/config_store.h"
#include "fuzz_check.h"
#include "host.h"
#include "jvmsearch/version.h"

namespace {

std::string joined(const VersionVector& version) {
    std::string text;
    for (size_t i = 0; i < version.size(); ++i) text += (i ? "." : "") + std::to_string(version[i]);
    return text;
}

// Equal at the bound's precision, missing version components counting as 0.
bool equalAtPrecision(const VersionVector& bound, const VersionVector& version) {
    for (size_t i = 0; i < bound.size(); ++i)
        if ((i < version.size() ? version[i] : 0) != bound[i]) return false;
    return true;
}

void checkOne(const std::string& text) {
    VersionVector parsed = parseVersion(text);
    for (int32_t component : parsed) FUZZ_CHECK(component >= 0);
    FUZZ_CHECK(parseVersion(joined(parsed)) == parsed);
    FUZZ_CHECK(!isNewerVersion(text, text));
    for (bool prefixOnly : {false, true}) {
        FUZZ_CHECK(compareWithBound(parsed, parsed, false, prefixOnly));
        FUZZ_CHECK(compareWithBound(parsed, parsed, true, prefixOnly));
        FUZZ_CHECK(compareWithBound({}, parsed, false, prefixOnly));
        FUZZ_CHECK(compareWithBound({}, parsed, true, prefixOnly));
    }
    std::string version;
    if (extractJavaVersion(text, version)) FUZZ_CHECK(text.find(version) != std::string::npos);
}

void checkPair(const std::string& a, const std::string& b) {
    VersionVector left = parseVersion(a);
    VersionVector right = parseVersion(b);
    bool aNewer = isNewerVersion(a, b);
    bool bNewer = isNewerVersion(b, a);
    FUZZ_CHECK(!(aNewer && bNewer));
    // Neither newer: the same numbers.
    FUZZ_CHECK(aNewer || bNewer || left == right);
    for (bool prefixOnly : {false, true}) {
        bool atLeast = compareWithBound(left, right, false, prefixOnly);
        bool atMost = compareWithBound(left, right, true, prefixOnly);
        // Every version lies on one side of a bound or on it.
        FUZZ_CHECK(atLeast || atMost);
        if (!prefixOnly) {
            FUZZ_CHECK((atLeast && atMost) == equalAtPrecision(left, right));
            // Below a minimum means the bound is newer; above a maximum, the version.
            if (!atLeast) FUZZ_CHECK(isNewerVersion(a, b));
            if (!atMost) FUZZ_CHECK(isNewerVersion(b, a));
        } else if (right.size() >= left.size()) {
            // A version at least as precise as the bound is judged the same either way.
            FUZZ_CHECK(atLeast == compareWithBound(left, right, false, false));
            FUZZ_CHECK(atMost == compareWithBound(left, right, true, false));
        }
    }
    FUZZ_CHECK(versionMatchesPrefix(b, left, left) == (compareWithBound(left, right, false, true) &&
                                                        compareWithBound(left, right, true, true)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    configStore() = ConfigStore();
    resetHost();
    std::vector<std::string> texts = fuzzFields(data, size);
    for (const std::string& text : texts) checkOne(text);
    for (size_t i = 0; i < texts.size() && i < 4; ++i)
        for (size_t j = 0; j < texts.size() && j < 4; ++j) checkPair(texts[i], texts[j]);
    // Transitivity over the first three.
    if (texts.size() >= 3) {
        const std::string &a = texts[0], &b = texts[1], &c = texts[2];
        if (isNewerVersion(a, b) && isNewerVersion(b, c)) FUZZ_CHECK(isNewerVersion(a, c));
    }
    for (const std::string& text : texts) {
        bool acceptable = isVersionAcceptable(text, parseVersion(texts[0]), {}, true);
        FUZZ_CHECK(acceptable == compareWithBound(parseVersion(texts[0]), parseVersion(text), false, false));
        if (isBetaVersion(text)) FUZZ_CHECK(!isVersionAcceptable(text, {}, {}, false));
    }
    return 0;
}
