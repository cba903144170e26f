#include "core/config/config_file.h"

#include <string>

#include "core/config/config_reader.h"
#include "core/config/config_store.h"
#include "core/log.h"
#include "core/paths.h"

FileByteSource::FileByteSource(HANDLE file) : file_(file) {
    LARGE_INTEGER size;
    size_ = GetFileSizeEx(file, &size) ? size.QuadPart : 0;
}

FileByteSource::~FileByteSource() { CloseHandle(file_); }

bool FileByteSource::read(void* buffer, uint32_t size, uint32_t& bytesRead, uint32_t& errorCode) {
    DWORD got = 0;
    BOOL ok = position_ >= 0 && ReadFile(file_, buffer, size, &got, nullptr);
    bytesRead = got;
    errorCode = ok ? 0 : GetLastError();
    if (ok) position_ += got;
    return ok;
}

void FileByteSource::seek(int64_t position) {
    position_ = position;
    LARGE_INTEGER to;
    to.QuadPart = position;
    if (position < 0 || !SetFilePointerEx(file_, to, nullptr, FILE_BEGIN)) position_ = -1;
}

int64_t FileByteSource::remaining() const {
    return position_ < 0 || position_ > size_ ? 0 : size_ - position_;
}

HANDLE openOwnExecutable() {
    const std::wstring& path = getExecutablePathWide();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        logError(L"Could not open %p %d %s", file, static_cast<int>(GetLastError()), path.c_str());
        fatalError(L"Error opening media file.");
    }
    return file;
}

void loadEntries() {
    FileByteSource source(openOwnExecutable());
    readBaseEntries(source);
}

void loadLocalizedEntries(const std::function<std::string()>& detectLocale) {
    {
        FileByteSource source(openOwnExecutable());
        readLocalizedEntries(source, detectLocale);
    }
    int type = getInt(cfg::kExecutableType);
    if (type != 1 && type != 5) setErrorsInMessageBox(false);
}
