#include "jvmsearch/pe_machine.h"

#include <cerrno>
#include <cstdio>

#include "core/log.h"

namespace {

struct FileCloser {
    FILE* file;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
};

uint16_t notPe(const wchar_t* message, const std::string& path) {
    logMessage(message, path.c_str());
    return 0;
}

}  // namespace

uint16_t readPeMachine(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        logMessage(L"could not open %S %d %p", path.c_str(), errno, static_cast<void*>(file));
        return 0;
    }
    FileCloser closer{file};
    unsigned char bytes[4];
    if (std::fread(bytes, 1, 2, file) != 2 || bytes[0] != 'M' || bytes[1] != 'Z')
        return notPe(L"no PE32 file %S", path);
    if (std::fseek(file, 60, SEEK_SET) != 0) return notPe(L"no PE32 file 2 %S", path);
    if (std::fread(bytes, 1, 4, file) != 4) return notPe(L"no PE32 file 3 %S", path);
    long offset = static_cast<long>(static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                                    (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24));
    if (offset < 0 || std::fseek(file, offset, SEEK_SET) != 0) return notPe(L"no PE32 file 4 %S", path);
    if (std::fread(bytes, 1, 4, file) != 4 || bytes[0] != 'P' || bytes[1] != 'E' || bytes[2] != 0 || bytes[3] != 0)
        return notPe(L"no PE32 file 5 %S", path);
    if (std::fread(bytes, 1, 2, file) != 2) return notPe(L"no PE32 file 6 %S", path);
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}
