// The two loads of the configuration block from the executable's own file.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "core/config/config_reader.h"

void loadEntries();
// detectLocale gives the user's locale, asked for only when the block has
// localized sections; the platform helpers above supply it.
void loadLocalizedEntries(const std::function<std::string()>& detectLocale);

// Opens the program's own file for reading; fatal when it cannot be opened.
HANDLE openOwnExecutable();

// A byte source over an open file handle, which it closes. Also reads the
// file table behind the configuration.
class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(HANDLE file);
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    bool read(void* buffer, uint32_t size, uint32_t& bytesRead, uint32_t& errorCode) override;
    void seek(int64_t position) override;
    int64_t position() const override { return position_; }
    int64_t remaining() const override;

private:
    HANDLE file_;
    int64_t size_ = 0;
    int64_t position_ = 0;
};
