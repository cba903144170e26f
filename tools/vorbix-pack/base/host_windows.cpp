// The Windows side of host_files.h: wide file names throughout (paths are
// UTF-8 inside the tool), and replacing a file with MoveFileExW.
#include "base/host_files.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <random>

#include <windows.h>
#include <shellapi.h>

namespace fs = std::filesystem;

namespace {

std::wstring wideMode(const char* mode) { return std::wstring(mode, mode + std::char_traits<char>::length(mode)); }

std::string utf8(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

void setErrno(DWORD error) { errno = error == ERROR_ACCESS_DENIED ? EACCES : error == ERROR_FILE_NOT_FOUND ? ENOENT : EIO; }

}  // namespace

std::FILE* openFile(const fs::path& path, const char* mode) { return _wfopen(path.c_str(), wideMode(mode).c_str()); }

bool seekFile(std::FILE* file, int64_t position) { return _fseeki64(file, position, SEEK_SET) == 0; }

int64_t fileSize(std::FILE* file) { return _filelengthi64(_fileno(file)); }

std::FILE* createTemporaryBeside(const fs::path& target, fs::path& temporary) {
    fs::path directory = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = directory / (L"." + target.filename().wstring() + L".tmp-" + std::to_wstring(random()));
        // _O_EXCL: never an existing file.
        int descriptor = _wopen(candidate.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (descriptor < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        std::FILE* file = _fdopen(descriptor, "w+b");
        if (!file) {
            _close(descriptor);
            _wunlink(candidate.c_str());
            return nullptr;
        }
        temporary = candidate;
        return file;
    }
    errno = EEXIST;
    return nullptr;
}

bool replaceFile(const fs::path& from, const fs::path& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    setErrno(GetLastError());
    return false;
}

void removeFile(const fs::path& path) { _wunlink(path.c_str()); }

FileMode fileModeOf(std::FILE*) { return 0755; }
FileMode newFileMode() { return 0644; }
bool setFileMode(std::FILE*, FileMode) { return true; }

fs::path toolDirectory(const char*) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return fs::path(buffer).parent_path();
}

std::vector<std::string> utf8Arguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(utf8(wide[i]));
    LocalFree(wide);
    return out;
}

void prepareStandardStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}
