#include "base/atomic_output.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/file_source.h"
#include "base/pack_error.h"

namespace fs = std::filesystem;

AtomicOutput::AtomicOutput(const fs::path& target) : target_(target) {
    file_ = createTemporaryBeside(target, temporary_);
    if (!file_) throw PackError(target.string() + ": cannot create: " + systemErrorText(), kExitWriteFailed);
}

AtomicOutput::~AtomicOutput() {
    if (committed_) return;
    if (file_) std::fclose(file_);
    removeFile(temporary_);
}

void AtomicOutput::write(const void* data, size_t size) {
    if (size > 0 && std::fwrite(data, 1, size, file_) != size)
        throw PackError(target_.string() + ": cannot write: " + systemErrorText(), kExitWriteFailed);
}

void AtomicOutput::commit(FileMode mode) {
    int error = 0;
    if (std::fflush(file_) != 0 || !setFileMode(file_, mode)) error = errno;
    if (std::fclose(file_) != 0 && error == 0) error = errno;
    file_ = nullptr;
    if (error == 0 && !replaceFile(temporary_, target_)) error = errno;
    if (error != 0)
        throw PackError(target_.string() + ": cannot write: " + std::strerror(error), kExitWriteFailed);
    committed_ = true;
}
