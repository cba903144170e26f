#include "package/msi_host.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/pack_error.h"

namespace fs = std::filesystem;

extern char** environ;

bool hostBuildsPackages() { return true; }

fs::path findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        size_t colon = list.find(':', start);
        std::string directory = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        fs::path candidate = fs::path(directory.empty() ? "." : directory) / name;
        if (::access(candidate.c_str(), X_OK) == 0 && fs::is_regular_file(candidate)) return candidate;
        if (colon == std::string::npos) return {};
        start = colon + 1;
    }
}

int runProgram(const fs::path& program, const std::vector<std::string>& arguments, std::string& output) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> all = {program.string()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        output = std::strerror(spawned);
        return -1;
    }
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0) {
            if (errno == EINTR) continue;
            break;
        }
        output.append(buffer, static_cast<size_t>(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path makeTemporaryDirectory(const fs::path& parent, const std::string& stem) {
    std::string pattern = (parent / ("." + stem + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw PackError(parent.string() + ": cannot create a temporary directory: " + std::strerror(errno),
                        kExitWriteFailed);
    return pattern;
}
