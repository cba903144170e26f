// An output file that appears complete or not at all: everything is written
// to a temporary file beside the target, which commit() renames into place.
// Destroyed without commit() (an error on the way), the temporary file goes.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/host_files.h"

class AtomicOutput {
public:
    explicit AtomicOutput(const std::filesystem::path& target);
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    // Open for reading too (the PE checksum is computed over what was written).
    std::FILE* file() { return file_; }
    const std::filesystem::path& target() const { return target_; }
    // Writes all of data; PackError on failure.
    void write(const void* data, size_t size);
    // Flushes, gives the file the mode bits and renames it onto the target.
    // (No fsync: the guarantee is against failures of the tool, and a
    // launcher of hundreds of MiB should pack as fast as it copies.)
    void commit(FileMode mode);

private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};
