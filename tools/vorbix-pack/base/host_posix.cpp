#include "base/host_files.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::FILE* openFile(const fs::path& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool seekFile(std::FILE* file, int64_t position) { return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0; }

int64_t fileSize(std::FILE* file) {
    struct stat info {};
    return fstat(fileno(file), &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
}

std::FILE* createTemporaryBeside(const fs::path& target, fs::path& temporary) {
    fs::path directory = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::string pattern = (directory / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
    int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) return nullptr;
    std::FILE* file = fdopen(descriptor, "w+b");
    if (!file) {
        int error = errno;
        close(descriptor);
        unlink(pattern.c_str());
        errno = error;
        return nullptr;
    }
    temporary = pattern;
    return file;
}

bool replaceFile(const fs::path& from, const fs::path& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

void removeFile(const fs::path& path) { unlink(path.c_str()); }

FileMode fileModeOf(std::FILE* file) {
    struct stat info {};
    return fstat(fileno(file), &info) == 0 ? (info.st_mode & 0777) : 0755;
}

FileMode newFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool setFileMode(std::FILE* file, FileMode mode) { return fchmod(fileno(file), static_cast<mode_t>(mode)) == 0; }

fs::path toolDirectory(const char* argv0) {
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) self = fs::absolute(argv0);
    return self.parent_path();
}

std::vector<std::string> utf8Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void prepareStandardStreams() {}
