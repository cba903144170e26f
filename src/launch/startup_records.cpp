#include "launch/startup_records.h"

namespace {
std::string semaphoreName;
int64_t unextractedPosition = 0;
}  // namespace

std::optional<std::string> getInstanceSemaphoreName() {
    if (semaphoreName.empty()) return std::nullopt;
    return semaphoreName;
}

void setInstanceSemaphoreName(const std::string& name) { semaphoreName = name; }

int64_t getUnextractedPosition() { return unextractedPosition; }

void setUnextractedPosition(int64_t position) { unextractedPosition = position; }
