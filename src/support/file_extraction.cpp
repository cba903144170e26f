#include "support/file_extraction.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/config/config_file.h"
#include "core/config/config_format.h"
#include "core/config/config_reader.h"
#include "core/config/config_store.h"
#include "core/log.h"
#include "core/temp_dirs.h"

namespace {

// Content is streamed through one buffer of this size.
constexpr uint32_t kChunkSize = 6000;

int32_t unextractedPosition = 0;

class OutputFile {
public:
    explicit OutputFile(HANDLE handle) : handle_(handle) {}
    ~OutputFile() { CloseHandle(handle_); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// Empty names (";;") are no names, as vorbix-pack never writes them.
std::vector<std::string> splitNames(const std::string& list) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// Four bytes at a time: byte by byte the mask costs about as much as the
// writes of a large file.
void unmask(uint8_t* data, uint32_t size) {
    constexpr uint32_t wideMask = 0x01010101u * kFileTableMask;
    uint32_t i = 0;
    for (; i + 4 <= size; i += 4) {
        uint32_t word;
        std::memcpy(&word, data + i, 4);
        word ^= wideMask;
        std::memcpy(data + i, &word, 4);
    }
    for (; i < size; ++i) data[i] ^= kFileTableMask;
}

bool writeAll(HANDLE file, const uint8_t* data, DWORD size) {
    while (size > 0) {
        DWORD written = 0;
        // A write that reports success but writes nothing would never finish.
        if (!WriteFile(file, data, size, &written, nullptr) || written == 0) {
            logError(L"WriteFile failed %d %d", static_cast<int>(size), static_cast<int>(GetLastError()));
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

int extractRecord(FileByteSource& source, const std::string& target) {
    int64_t size = readLong(source);
    logMessage(L"extracting %S (size: %I64d)", target.c_str(), size);
    if (size <= 0) return 0;

    HANDLE handle = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) fatalError(cfg::kMsgCannotPrepareFiles, "11");
    OutputFile file(handle);

    uint8_t buffer[kChunkSize];
    int64_t copied = 0;
    while (copied < size) {
        int64_t left = size - copied;
        uint32_t want = left < kChunkSize ? static_cast<uint32_t>(left) : kChunkSize;
        uint32_t got = 0, error = 0;
        if (!source.read(buffer, want, got, error) || got == 0) {
            logError(L"ReadFile failed %d %d %I64d", static_cast<int>(got), static_cast<int>(error), copied);
            return kExtractReadFailed;
        }
        unmask(buffer, got);
        if (!writeAll(file.get(), buffer, got)) return kExtractWriteFailed;
        copied += got;
    }
    return 0;
}

}  // namespace

int extractIncludedFiles(bool createDirectory) {
    logMessage(L"extracting files");
    int count = getInt(cfg::kIncludedFileCount);
    logMessage(L"Included files: %d", count);
    if (count == 0) {
        if (createDirectory) setLauncherTempDirectory(std::string());
        return 0;
    }
    if (createDirectory) createLauncherTempDir();

    FileByteSource source(openOwnExecutable());
    source.seek(payloadPosition());

    const std::string& directory = launcherTempDirectory();
    std::vector<std::string> names = splitNames(dupString(cfg::kIncludedFileNames));
    int done = 0;
    for (const std::string& name : names) {
        if (done >= count) break;
        std::string target = directory + "\\" + name;
        size_t slash = name.find('\\');
        if (slash != std::string::npos) {
            std::string level = directory + "\\" + name.substr(0, slash);
            logMessage(L"creating directory %S", level.c_str());
            if (!CreateDirectoryA(level.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
                logError(L"failed to create directory %S", level.c_str());
        }
        int result = extractRecord(source, target);
        if (result != 0) {
            logError(L"Failed to extract %S", target.c_str());
            return result;
        }
        ++done;
    }
    unextractedPosition = static_cast<int32_t>(source.position());
    logMessage(L"extracting files done");
    return 0;
}

int32_t getUnextractedPosition() { return unextractedPosition; }
