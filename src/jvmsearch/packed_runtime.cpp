#include "jvmsearch/packed_runtime.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "core/config/config_ids.h"
#include "core/log.h"
#include "core/paths.h"
#include "jvmsearch/java_runtime.h"

namespace {

constexpr size_t kPackSuffixLength = 5;  // ".pack"

}  // namespace

void runUnpack200(const std::string& home, const std::string& packedPath) {
    std::string target = packedPath.substr(0, packedPath.size() - kPackSuffixLength);
    if (!pathExists(packedPath)) {
        logMessage(L"pack path doesn't exists");
        return;
    }
    std::string tool = home + jre::kUnpack200Exe;
    std::string commandLine = "-r \"" + packedPath + "\" \"" + target + "\"";
    logMessage(L"%S", tool.c_str());
    logMessage(L"%S", commandLine.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    if (!CreateProcessA(tool.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &process)) {
        logMessage(L"could not create unpack process");
        fatalError(cfg::kMsgPackToolNotStartable);
    }
    logMessage(L"waiting for unpack200 to finish");
    WaitForSingleObject(process.hProcess, INFINITE);
    logMessage(L"unpack done");
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    if (!DeleteFileA(packedPath.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        logMessage(L"could not delete packed file (error %d)", static_cast<int>(GetLastError()));
}

void unpackDirectory(const std::string& home, const char* subdirectory, bool& started) {
    std::string pattern = home + "\\" + subdirectory + "\\*.jar.pack";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name.size() < kPackSuffixLength) continue;
        std::string shortened = name.substr(0, name.size() - kPackSuffixLength);
        std::string target = home + "\\" + subdirectory + "\\" + shortened;
        logMessage(L"checking %S", target.c_str());
        if (pathExists(target)) continue;
        if (!started) {
            logMessage(L"Unpacking JRE");
            std::fputs("Preparing JRE ...\n", stdout);
            std::fflush(stdout);
            started = true;
        }
        std::string relative = std::string(subdirectory) + "\\" + shortened;
        runUnpack200(home, home + "\\" + relative + ".pack");
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void unpackPackedRuntime(const std::string& home) {
    bool started = false;
    unpackDirectory(home, "lib", started);
    unpackDirectory(home, "lib\\ext", started);
    if (started) logMessage(L"Unpacking JRE done");
}
