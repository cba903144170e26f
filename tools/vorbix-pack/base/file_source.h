// Files for vorbix-pack: owned FILE handles and the block readers' byte
// source over a file.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "core/config/config_reader.h"

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for reading; PackError "<path>: cannot open: <reason>".
FilePtr openForReading(const std::filesystem::path& path);

// The system's text for the last error of a file operation.
std::string systemErrorText();

class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(std::FILE* file);  // not owned
    bool read(void* buffer, uint32_t size, uint32_t& bytesRead, uint32_t& errorCode) override;
    void seek(int64_t position) override;
    int64_t position() const override { return position_; }
    int64_t remaining() const override;
    int64_t size() const { return size_; }

private:
    std::FILE* file_;
    int64_t size_ = 0;
    int64_t position_ = 0;
};
