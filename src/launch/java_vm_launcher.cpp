#include "launch/java_vm_launcher.h"

#include <windows.h>

#include "core/config/config_store.h"
#include "core/event_log.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/phase_times.h"
#include "core/temp_dirs.h"
#include "jvmsearch/java_runtime.h"
#include "jvmsearch/selected_jvm.h"
#include "launch/launch_values.h"
#include "launch/launcher_variables.h"
#include "launch/vm_arguments.h"
#include "launch/vm_platform.h"
#include "support/file_extraction.h"
#include "support/single_instance.h"

namespace {

// The current PATH for java.library.path; a value that does not fit the
// buffer is cut behind its last complete entry.
std::optional<std::string> libraryPath() {
    std::string buffer(kLibraryPathBufferSize, '\0');
    DWORD length = GetEnvironmentVariableA("PATH", &buffer[0], static_cast<DWORD>(kLibraryPathBufferSize));
    if (length == 0) return std::nullopt;
    if (length < kLibraryPathBufferSize) {
        buffer.resize(length);
        return buffer;
    }
    std::string whole(length, '\0');
    DWORD got = GetEnvironmentVariableA("PATH", &whole[0], length);
    if (got == 0 || got >= length) return std::nullopt;
    whole.resize(got);
    std::string cut = fitLibraryPath(whole);
    logError(L"PATH too long for java.library.path (%d), cut to %d characters", static_cast<int>(got),
             static_cast<int>(cut.size()));
    return cut;
}

bool environmentVariableSet(const char* name) {
    char probe[1];
    if (GetEnvironmentVariableA(name, probe, sizeof probe) > 0) return true;
    return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

std::vector<std::string> launcherProperties() {
    LauncherPropertyValues values;
    values.semaphoreName = getInstanceSemaphoreName();
    values.previousJdk = selectedJvm().previousInstallation;
    values.installerFlavour = launcherFlavour == 'i';
    values.serviceMode = serviceMode;
    values.executablePath = getExecutablePath();
    values.launcherTempDirectory = launcherTempDirectory();
    values.unextractedPosition = getUnextractedPosition();
    values.libraryPath = libraryPath();
    if (!environmentVariableSet("MANPATH")) values.consoleCodePage = GetConsoleOutputCP();
    return buildLauncherProperties(values);
}

DWORD WINAPI vmThread(void* parameter) {
    markPhase("vm thread started");
    return createVmAndRunMain(*static_cast<LaunchRequest*>(parameter)) ? 1 : 0;
}

void signalMainCalled(void* event) { SetEvent(static_cast<HANDLE>(event)); }

}  // namespace

bool launchJava(const std::vector<std::wstring>& arguments, void (*whileMainRuns)()) {
    logMessage(L"launching program");
    std::vector<std::string> properties = launcherProperties();
    LaunchRequest* request = new LaunchRequest;
    request->arguments = arguments;
    request->destroyAfterMain = true;
    buildVmArguments(request->initArgs, properties, arguments);
    std::vector<std::string> options;
    for (jint i = 0; i < request->initArgs.nOptions; ++i) options.push_back(request->initArgs.options[i].optionString);
    uint32_t stackSize = vmThreadStackSize(options);
    logMessage(L"used stack size %d", static_cast<int>(stackSize));
    markPhase("vm arguments");
    HANDLE mainCalled = whileMainRuns ? CreateEventW(nullptr, TRUE, FALSE, nullptr) : nullptr;
    if (mainCalled) {
        request->mainCalled = signalMainCalled;
        request->mainCalledContext = mainCalled;
    }
    HANDLE thread = CreateThread(nullptr, stackSize, vmThread, request, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) return createVmAndRunMain(*request);
    if (mainCalled) {
        // This thread is idle until the VM's thread ends: it does the work
        // that waited for main, unless the VM's thread ended before main.
        HANDLE handles[2] = {mainCalled, thread};
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0) whileMainRuns();
    }
    WaitForSingleObject(thread, INFINITE);
    markPhase("vm thread ended");
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code != 0;
}

// Configured paths handed to the Java side: expanded, and made canonical
// unless empty or left to the Java side's own "$" variables.
std::wstring launcherPath(ConfigId id) {
    std::wstring text;
    getWideString(id, text);
    expandVariablesWide(text, false);
    if (text.empty() || text[0] == L'$') return text;
    std::wstring canonical;
    canonicalPathWide(canonical, text, false, true);
    return canonical;
}

void expandLauncherText(std::wstring& text) { expandVariablesWide(text, false); }

const std::wstring& launcherExecutablePath() { return getExecutablePathWide(); }

void reportMainFailure(const std::wstring& text) { reportServiceEvent(ServiceEventKind::Error, text); }

void loadHelperLibrary() {
    if (launcherFlavour != 'i') return;
    logMessage(L"load helper dll");
    std::wstring directory;
    getWideString(cfg::kApplicationDirectory, directory);
    std::wstring path;
    makeAbsolutePathWide(path, directory, false);
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    path += L".tessaly\\tsyinst.dll";
    HMODULE library = LoadLibraryW(path.c_str());
    logMessage(L"helper dll %p %s", static_cast<void*>(library), path.c_str());
    bool oldMinimum = selectedJvm().oldMinimum;
    if (oldMinimum) logMessage(L"partially registering natives");
    if (!library) return;
    auto registerNatives = reinterpret_cast<jre::RegisterNativesExFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, jre::kRegisterNativesExName)));
    if (!registerNatives) {
        logError(L"did not find register natives in helper dll");
        return;
    }
    registerHelperNatives(library, registerNatives, oldMinimum);
}
