#include "launch/path_entries.h"

#include <windows.h>

#include <vector>

#include "core/config/config_store.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "core/paths.h"
#include "launch/launcher_variables.h"
#include "launch/path_entry_list.h"

namespace {

// Environment values are read into a buffer of this many characters.
constexpr DWORD kEnvironmentBufferSize = 6000;

// The variable's value, cut to the buffer with a log line; none when it is
// not set or empty.
bool readEnvironmentValue(const std::string& name, std::string& value) {
    std::vector<char> buffer(kEnvironmentBufferSize);
    DWORD length = GetEnvironmentVariableA(name.c_str(), buffer.data(), kEnvironmentBufferSize);
    if (length == 0) return false;
    if (length >= kEnvironmentBufferSize) {
        std::vector<char> whole(length);
        DWORD got = GetEnvironmentVariableA(name.c_str(), whole.data(), length);
        if (got == 0 || got >= length) return false;
        logError(L"value of %S too long (%d), cut to %d characters", name.c_str(), static_cast<int>(got),
                 static_cast<int>(kEnvironmentBufferSize - 1));
        value.assign(whole.data(), kEnvironmentBufferSize - 1);
        return true;
    }
    value.assign(buffer.data(), length);
    return true;
}

// Appends one entry; true when what it names exists.
bool appendEntry(ConfigId list, const PathEntry& entry, const std::string& value, std::string& text) {
    switch (entry.type) {
        case 'A':
        case 'D': {
            std::string resolved;
            resolvePathList(resolved, value);
            text += resolved;
            text += ';';
            return pathExists(resolved);
        }
        case 'E': {
            std::string content;
            if (!readEnvironmentValue(value, content)) {
                if (entry.required) fatalError(cfg::kMsgRequiredVariableMissing, value.c_str());
                return true;
            }
            text += environmentPathValue(content);
            return true;
        }
        case 'S': {
            std::string directory;
            makeAbsolutePath(directory, value);
            if (list == cfg::kModulePath) {
                if (!pathExists(directory)) return false;
                text += directory;
                text += ';';
                return true;
            }
            bool exists = addArchivesFromDirectory(text, directory, "jar");
            addArchivesFromDirectory(text, directory, "zip");
            return exists;
        }
        default:
            return true;
    }
}

}  // namespace

void buildPathEntries(ConfigId list, std::string& text) {
    std::string entries = dupString(list);
    logMessage(L"entry %S", entries.c_str());
    std::vector<PathEntry> parsed = parsePathEntries(entries);
    logMessage(L"entries %d", static_cast<int>(parsed.size()));
    for (const PathEntry& entry : parsed) {
        std::string value = entry.value;
        expandVariables(value);
        bool exists = appendEntry(list, entry, value, text);
        if (entry.required && !exists) fatalError(cfg::kMsgRequiredPathMissing, value.c_str());
    }
}

bool addArchivesFromDirectory(std::string& text, const std::string& directory, const std::string& extension) {
    if (!pathExists(directory)) return false;
    appendArchives(text, directory, extension);
    return true;
}

void appendArchives(std::string& text, const std::string& directory, const std::string& extension) {
    std::string pattern = directory + "\\*";
    if (extension.empty() || extension[0] != '.') pattern += '.';
    pattern += extension;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        makeAbsolutePath(text, directory + "\\" + data.cFileName);
        text += ';';
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

void addRuntimeJar(std::string& text) {
    if (launcherFlavour != 'i') return;
    std::string directory;
    getString(cfg::kApplicationDirectory, directory);
    canonicalPath(text, directory, true);
    if (text.empty() || text.back() != '\\') text += '\\';
    text += ".tessaly\\tsyruntime.jar;";
}
