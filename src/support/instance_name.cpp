#include "support/instance_name.h"

std::string executableIdentity(const std::string& canonicalPath) {
    std::string identity = canonicalPath;
    for (char& c : identity)
        if (c == '\\' || c == ' ') c = '_';
    return identity;
}

SemaphoreScope semaphoreScope(int machineWide, int sessionWide) {
    if (machineWide != 0) return SemaphoreScope::Machine;
    if (sessionWide != 0) return SemaphoreScope::Session;
    return SemaphoreScope::User;
}

std::string semaphoreBaseName(SemaphoreScope scope, const std::string& sidString, const std::string& identity) {
    switch (scope) {
        case SemaphoreScope::Machine:
            return "Global\\" + identity;
        case SemaphoreScope::Session:
            return "Local\\" + identity;
        case SemaphoreScope::User:
            break;
    }
    return "Global\\" + sidString + identity;
}
