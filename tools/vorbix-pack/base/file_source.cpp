#include "base/file_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/host_files.h"
#include "base/pack_error.h"

std::string systemErrorText() { return std::strerror(errno); }

FilePtr openForReading(const std::filesystem::path& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw PackError(path.string() + ": cannot open: is a directory");
    FilePtr file(openFile(path, "rb"));
    if (!file) throw PackError(path.string() + ": cannot open: " + systemErrorText());
    return file;
}

FileByteSource::FileByteSource(std::FILE* file) : file_(file) {
    size_ = std::max<int64_t>(fileSize(file), 0);
    std::rewind(file);
}

bool FileByteSource::read(void* buffer, uint32_t size, uint32_t& bytesRead, uint32_t& errorCode) {
    bytesRead = 0;
    errorCode = 0;
    if (position_ < 0) {
        errorCode = EINVAL;
        return false;
    }
    size_t count = std::fread(buffer, 1, size, file_);
    position_ += static_cast<int64_t>(count);
    bytesRead = static_cast<uint32_t>(count);
    if (count < size && std::ferror(file_)) {
        errorCode = static_cast<uint32_t>(errno);
        return false;
    }
    return true;
}

void FileByteSource::seek(int64_t position) {
    position_ = position;
    std::clearerr(file_);
    if (position >= 0) seekFile(file_, position);
}

int64_t FileByteSource::remaining() const {
    if (position_ < 0 || position_ >= size_) return 0;
    return size_ - position_;
}
