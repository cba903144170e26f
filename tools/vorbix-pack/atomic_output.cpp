#include "atomic_output.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "file_source.h"
#include "pack_error.h"

namespace fs = std::filesystem;

AtomicOutput::AtomicOutput(const fs::path& target) : target_(target) {
    fs::path directory = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::string pattern = (directory / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
    int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) throw PackError(target.string() + ": cannot create: " + systemErrorText(), kExitWriteFailed);
    temporary_ = pattern;
    file_ = fdopen(descriptor, "wb");
    if (!file_) {
        close(descriptor);
        unlink(temporary_.c_str());
        throw PackError(target.string() + ": cannot create: " + systemErrorText(), kExitWriteFailed);
    }
}

AtomicOutput::~AtomicOutput() {
    if (committed_) return;
    if (file_) std::fclose(file_);
    unlink(temporary_.c_str());
}

void AtomicOutput::write(const void* data, size_t size) {
    if (size > 0 && std::fwrite(data, 1, size, file_) != size)
        throw PackError(target_.string() + ": cannot write: " + systemErrorText(), kExitWriteFailed);
}

void AtomicOutput::commit(mode_t mode) {
    int error = 0;
    if (std::fflush(file_) != 0 || fchmod(fileno(file_), mode) != 0) error = errno;
    if (std::fclose(file_) != 0 && error == 0) error = errno;
    file_ = nullptr;
    if (error == 0 && std::rename(temporary_.c_str(), target_.c_str()) != 0) error = errno;
    if (error != 0)
        throw PackError(target_.string() + ": cannot write: " + std::strerror(error), kExitWriteFailed);
    committed_ = true;
}
