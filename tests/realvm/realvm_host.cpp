// A native host for the launcher's JNI part on Linux: reads the configuration
// block of a launcher packed by vorbix-pack, assembles the VM options with the
// launcher's platform-free assembly, loads the installed JDK's libjvm.so and
// runs createVmAndRunMain on a thread of the "-Xss" size, as the Win32 side
// does. What the Win32 side supplies (launch/vm_platform.h) and the log (core/log.h)
// are stood in for here; log entries go to a file, one a line (UTF-8).
//
//   realvm_host --jvm LIBJVM --launcher PACKED.exe --runtime-jar JAR --log FILE
//               [--mode run|worker] [--helper ok|fail] [--vm-option OPT]... [-- ARG...]
//
// "run" puts the launcher's path in front of the arguments (as "/run" does);
// "worker" passes them as the service's worker gets them. The exit code is
// that of the launcher's run path: 0 after main returned, 1 on a failure.
#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/config/config_reader.h"
#include "core/config/config_store.h"
#include "core/format.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "core/temp_dirs.h"
#include "jvmsearch/selected_jvm.h"
#include "launch/java_vm_calls.h"
#include "launch/launch_values.h"
#include "launch/option_list.h"
#include "launch/path_entry_list.h"
#include "launch/vm_platform.h"

namespace {

std::FILE* logFile = nullptr;
std::wstring executablePath;
bool helperRegisters = true;

std::string utf8(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        auto code = static_cast<unsigned long>(c);
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

// Well-formed UTF-8 is all this host is given (its command line, from the driver).
std::wstring wide(const std::string& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        int extra = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
        unsigned long code = extra ? byte & (0x3F >> extra) : byte;
        for (int k = 1; k <= extra && i + k < text.size(); ++k) code = (code << 6) | (text[i + k] & 0x3F);
        out.push_back(static_cast<wchar_t>(code));
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

void writeLog(const std::wstring& line) {
    if (!logFile) return;
    std::fputs((utf8(line) + "\n").c_str(), logFile);
    std::fflush(logFile);
}

[[noreturn]] void endProcess(int code) {
    std::fflush(nullptr);
    // The VM's threads are still running: no exit handlers.
    _exit(code);
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Type A and D entries (one path each, relative ones against the launcher's
// directory) and S directories for the module path; this host neither expands
// variables nor lists directories.
std::string pathList(ConfigId id, const std::string& base, bool modulePath) {
    std::string list;
    getString(id, list);
    std::string joined;
    for (const PathEntry& entry : parsePathEntries(list)) {
        bool taken = entry.type == 'A' || entry.type == 'D' || (modulePath && entry.type == 'S');
        if (!taken || entry.value.empty()) continue;
        if (!joined.empty()) joined += ':';
        joined += entry.value[0] == '/' ? entry.value : base + "/" + entry.value;
    }
    return joined;
}

jboolean JNICALL standInRegisterNatives(JNIEnv*, void*, jboolean registerAll, jre::ErrorReporter reporter) {
    reporter(L"stand-in registerNativesEx all=%d result=%d", static_cast<int>(registerAll),
             helperRegisters ? 1 : 0);
    return helperRegisters ? JNI_TRUE : JNI_FALSE;
}

void* vmThread(void* request) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(createVmAndRunMain(*static_cast<LaunchRequest*>(request))));
}

int fail(const char* text) {
    std::fprintf(stderr, "realvm_host: %s\n", text);
    return 2;
}

}  // namespace

// --- what the launcher's Win32 side supplies ---------------------------------

std::wstring launcherPath(ConfigId id) {
    std::wstring text;
    getWideString(id, text);
    return text;
}
void expandLauncherText(std::wstring&) {}
const std::wstring& launcherExecutablePath() { return executablePath; }
void reportMainFailure(const std::wstring& text) { writeLog(L"event: " + text); }
void loadHelperLibrary() {
    if (launcherFlavour != 'i') return;
    logMessage(L"load helper dll");
    registerHelperNatives(nullptr, standInRegisterNatives, false);
}

// --- the log and error reporting --------------------------------------------

void logMessage(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    writeLog(formatWideV(format, args));
    va_end(args);
}
void logError(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    writeLog(L"ERROR: " + formatWideV(format, args));
    va_end(args);
}
const wchar_t* closeLogForDisplay() { return nullptr; }
const wchar_t* diagnosticLogPath() { return nullptr; }
void enterSafeLogMode() {}
void setErrorsInMessageBox(bool) {}
void showError(const wchar_t* text) {
    writeLog(std::wstring(L"shown: ") + text);
    std::fprintf(stderr, "%s\n", utf8(text).c_str());
}
void reportMessage(ConfigId id) { showError(getMessage(id).c_str()); }
void reportMessage(ConfigId id, const wchar_t* detail) {
    std::wstring message = getMessage(id);
    size_t at = message.find(L"{0}");
    if (detail && at != std::wstring::npos) message.replace(at, 3, detail);
    showError(message.c_str());
}
void reportMessage(ConfigId id, const char* detail) {
    std::wstring text = detail ? widenBytes(detail) : L"";
    reportMessage(id, detail ? text.c_str() : nullptr);
}
void fatalError(const wchar_t* text) {
    showError(text);
    endProcess(1);
}
void fatalError(ConfigId id) {
    reportMessage(id);
    endProcess(1);
}
void fatalError(ConfigId id, const wchar_t* detail) {
    reportMessage(id, detail);
    endProcess(1);
}
void fatalError(ConfigId id, const char* detail) {
    reportMessage(id, detail);
    endProcess(1);
}
void exitLauncher(int exitCode) { endProcess(exitCode); }

int main(int argc, char** argv) {
    std::string jvm, launcher, runtimeJar, logPath, mode = "run";
    std::vector<std::string> extraOptions, launchArguments;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "--") {
            launchArguments.assign(argv + i + 1, argv + argc);
            break;
        }
        if (!hasValue) return fail(("no value for " + a).c_str());
        std::string value = argv[++i];
        if (a == "--jvm") jvm = value;
        else if (a == "--launcher") launcher = value;
        else if (a == "--runtime-jar") runtimeJar = value;
        else if (a == "--log") logPath = value;
        else if (a == "--mode") mode = value;
        else if (a == "--helper") helperRegisters = value == "ok";
        else if (a == "--vm-option") extraOptions.push_back(value);
        else return fail(("unknown option " + a).c_str());
    }
    if (jvm.empty() || launcher.empty() || runtimeJar.empty() || logPath.empty())
        return fail("--jvm, --launcher, --runtime-jar and --log are needed");
    logFile = std::fopen(logPath.c_str(), "a");

    std::ifstream packed(launcher, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(packed)), std::istreambuf_iterator<char>());
    if (bytes.empty()) return fail("the packed launcher cannot be read");
    MemoryByteSource source(bytes.data(), bytes.size());
    readBaseEntries(source);
    readLocalizedEntries(source, [] { return std::string(); });
    char flavour[2];
    copyString(cfg::kLauncherFlavour, flavour, sizeof flavour);
    launcherFlavour = flavour[0];
    serviceMode = mode == "worker";
    noRedirect = mode == "run";
    executablePath = wide(launcher);

    std::vector<std::wstring> arguments;
    if (mode == "run") arguments.push_back(executablePath);
    for (const std::string& argument : launchArguments) arguments.push_back(wide(argument));

    LauncherPropertyValues values;
    values.installerFlavour = launcherFlavour == 'i';
    values.serviceMode = serviceMode;
    values.executablePath = launcher;
    OptionList options = buildLauncherProperties(values);
    std::wstring configured;
    getWideString(cfg::kVmOptions, configured);
    for (const std::wstring& token : splitCommandLine(configured)) options.push_back(utf8(token));
    options.insert(options.end(), extraOptions.begin(), extraOptions.end());
    std::string base = directoryOf(launcher);
    std::string modulePath = pathList(cfg::kModulePath, base, true);
    std::string classPath = pathList(cfg::kClassPath, base, false);
    // The launcher's runtime archive goes where the launcher puts its own.
    std::string& target = !modulePath.empty() || getInt(cfg::kMainClassInModule) != 0 ? modulePath : classPath;
    target = target.empty() ? runtimeJar : runtimeJar + ":" + target;
    options.push_back("-Djava.class.path=" + classPath);
    if (!modulePath.empty()) {
        options.push_back("--module-path=" + modulePath);
        std::string mainClass;
        if (getInt(cfg::kMainClassInModule) != 0) getString(cfg::kMainClass, mainClass);
        appendModuleOptions(options, mainClass, launcherFlavour == 'i' ? "com.tessaly.runtime" : "com.vorbix.runtime");
    }
    appendModeOptions(options, serviceMode, noRedirect);
    joinModuleOptions(options);
    removeLauncherOnlyOptions(options);

    LaunchRequest* request = new LaunchRequest;
    request->arguments = arguments;
    storeVmOptions(request->initArgs, options);

    void* library = dlopen(jvm.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!library) return fail(dlerror());
    selectedJvm().createJavaVM =
        reinterpret_cast<jre::CreateJavaVMFunction>(dlsym(library, jre::kCreateJavaVMName));
    if (!selectedJvm().createJavaVM) return fail("libjvm.so has no JNI_CreateJavaVM");

    uint32_t stackSize = vmThreadStackSize(options);
    logMessage(L"used stack size %d", static_cast<int>(stackSize));
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackSize > 0) pthread_attr_setstacksize(&attributes, stackSize < PTHREAD_STACK_MIN ? PTHREAD_STACK_MIN : stackSize);
    pthread_t thread;
    if (pthread_create(&thread, &attributes, vmThread, request) != 0) return fail("no VM thread");
    void* launched = nullptr;
    pthread_join(thread, &launched);
    int code = launched ? 0 : 1;
    logMessage(L"host exit %d", code);
    endProcess(code);
}
