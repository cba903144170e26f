#include "jvmsearch/non_working.h"

#include <algorithm>
#include <vector>

#include "core/log.h"

namespace {

std::vector<std::string>& nonWorking() {
    static std::vector<std::string> list;
    return list;
}

}  // namespace

bool addNonWorkingJava(const std::string& javaExe) {
    logMessage(L"add non-working java %S", javaExe.c_str());
    nonWorking().push_back(javaExe);
    return nonWorking().size() < kNonWorkingCapacity;
}

bool isNonWorkingJava(const std::string& javaExe) {
    const auto& list = nonWorking();
    return std::find(list.begin(), list.end(), javaExe) != list.end();
}

void clearNonWorkingJavas() { nonWorking().clear(); }
