#include "launch/java_vm_launcher.h"

#include <windows.h>

#include "core/command_line.h"
#include "core/config/config_store.h"
#include "core/event_log.h"
#include "core/java_exception.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "jvmsearch/java_runtime.h"
#include "jvmsearch/selected_jvm.h"
#include "launch/launch_values.h"
#include "launch/launcher_variables.h"
#include "support/file_extraction.h"
#include "support/single_instance.h"
#include "launch/vm_arguments.h"
#include "support/paths.h"
#include "support/temp_dirs.h"

namespace {

// Splash texts are copied into buffers of this many bytes.
constexpr size_t kSplashTextSize = 2000;

JavaVM* javaVm = nullptr;
JNIEnv* jniEnv = nullptr;

const char* const kSplashSignature =
    "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V";

const char* launcherClassName() { return launcherFlavour == 'i' ? jre::kInstallerLauncherClass : jre::kLauncherClass; }

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
    return createVmAndRunMain(*static_cast<LaunchRequest*>(parameter)) ? 1 : 0;
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

[[noreturn]] void internalFailure(const wchar_t* what) {
    logError(L"assertion failed: %s", what);
    showError((std::wstring(L"Internal error: ") + what).c_str());
    exitLauncher(1);
}

void passSplashConfiguration(JNIEnv* env) {
    jclass launcher = env->FindClass(jre::kLauncherClass);
    if (!launcher) {
        logError(L"could not find main class for splash properties");
        return;
    }
    jmethodID method = env->GetStaticMethodID(launcher, jre::kInitAwtSplashConfigMethod, kSplashSignature);
    if (!method) {
        logError(L"could not find method for splash properties");
        return;
    }
    const ConfigId textIds[] = {cfg::kSplashText1, cfg::kSplashText2, cfg::kSplashText3, cfg::kSplashText4};
    jstring texts[4];
    for (int i = 0; i < 4; ++i) {
        char buffer[kSplashTextSize];
        copyString(textIds[i], buffer, sizeof buffer);
        texts[i] = env->NewStringUTF(buffer);
    }
    env->CallStaticVoidMethod(launcher, method, JNI_TRUE, getInt(cfg::kSplashFlag) != 0 ? JNI_TRUE : JNI_FALSE,
                              texts[0], getInt(cfg::kSplashInt1), getInt(cfg::kSplashInt2), texts[1],
                              getInt(cfg::kSplashInt3), getInt(cfg::kSplashInt4), texts[2], getInt(cfg::kSplashInt5),
                              getInt(cfg::kSplashInt6), texts[3], getInt(cfg::kSplashInt7), getInt(cfg::kSplashInt8));
    for (jstring text : texts) env->DeleteLocalRef(text);
}

jstring newString(JNIEnv* env, const std::wstring& text) {
    return env->NewString(reinterpret_cast<const jchar*>(text.c_str()), static_cast<jsize>(text.size()));
}

}  // namespace

JavaVM* launchedJavaVm() { return javaVm; }
JNIEnv* launchedJniEnv() { return jniEnv; }

bool launchJava(const std::vector<std::wstring>& arguments) {
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
    HANDLE thread = CreateThread(nullptr, stackSize, vmThread, request, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) return createVmAndRunMain(*request);
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code != 0;
}

bool createVmAndRunMain(LaunchRequest& request) {
    logMessage(L"Creating JVM");
    jre::CreateJavaVMFunction create = selectedJvm().createJavaVM;
    JavaVM* vm = nullptr;
    void* env = nullptr;
    if (!create || create(&vm, &env, &request.initArgs) != 0) {
        logError(L"could not initialize JVM");
        return false;
    }
    javaVm = vm;
    jniEnv = static_cast<JNIEnv*>(env);
    logMessage(L"JVM created");
    if (getInt(cfg::kPassSplashConfig) != 0) passSplashConfiguration(jniEnv);
    loadHelperLibrary();
    setModuleNameProperty();
    jniEnv->ExceptionClear();
    if (!callMainClass(request)) {
        logError(L"could not call main");
        return false;
    }
    if (request.destroyAfterMain) {
        logMessage(L"dest JVM");
        javaVm->DestroyJavaVM();
    }
    logMessage(L"launch done");
    return true;
}

void buildLauncherParameters(std::vector<std::wstring>& parameters) {
    parameters.push_back(getInt(cfg::kExecutableType) == 1 ? L"true" : L"false");
    std::wstring mainClass;
    getWideString(cfg::kMainClass, mainClass);
    parameters.push_back(getInt(cfg::kMainClassInModule) != 0 ? L"/" + mainClass : mainClass);
    parameters.push_back(getInt(cfg::kUseStderrPath) != 0 ? launcherPath(cfg::kStderrPath) : L"");
    parameters.push_back(getInt(cfg::kUseStdoutPath) != 0 ? launcherPath(cfg::kStdoutPath) : L"");
    parameters.push_back(getInt(cfg::kAppendRedirection) != 0 ? L"true" : L"false");
}

bool callMainClass(LaunchRequest& request) {
    JNIEnv* env = jniEnv;
    std::string className = launcherClassName();
    for (char& c : className)
        if (c == '.') c = '/';
    logMessage(L"main class: %S", className.c_str());
    jclass launcher = env->FindClass(className.c_str());
    if (!launcher) {
        logError(L"could not find main class");
        fatalError(cfg::kMsgLauncherClassMissing);
    }
    jmethodID main = env->GetStaticMethodID(launcher, jre::kMainMethod, jre::kMainSignature);
    if (!main) {
        logError(L"could not find main method");
        fatalError(cfg::kMsgLauncherMainMissing);
    }
    std::vector<std::wstring> launcherParameters;
    buildLauncherParameters(launcherParameters);
    std::wstring configured;
    getWideString(cfg::kProgramArguments, configured);
    expandVariablesWide(configured, false);
    std::vector<std::wstring> parameters =
        programParameters(launcherParameters, request.arguments, splitCommandLine(configured),
                          getInt(cfg::kJArgumentsAreVmOptions) != 0);
    logMessage(L"param count: %d", static_cast<int>(parameters.size()));
    jclass stringClass = env->FindClass("java/lang/String");
    jobjectArray paramArray =
        stringClass ? env->NewObjectArray(static_cast<jsize>(parameters.size()), stringClass, nullptr) : nullptr;
    if (!paramArray) internalFailure(L"paramArray");
    for (size_t i = 0; i < parameters.size(); ++i) {
        logMessage(L"param %d: %s", static_cast<int>(i), parameters[i].c_str());
        jstring jstr = newString(env, parameters[i]);
        if (!jstr) internalFailure(L"jstr");
        env->SetObjectArrayElement(paramArray, static_cast<jsize>(i), jstr);
    }
    logMessage(L"calling main");
    enterSafeLogMode();
    env->CallStaticVoidMethod(launcher, main, paramArray);
    logMessage(L"main returned");
    std::wstring exceptionText;
    if (checkJavaException(env, true, &exceptionText)) return true;
    // The VM's description goes to the worker's discarded output; a service
    // keeps the reason where an administrator finds it.
    reportServiceEvent(ServiceEventKind::Error,
                       L"The Java application's main method ended with an exception: " +
                           (exceptionText.empty() ? std::wstring(L"(no text)") : exceptionText));
    return false;
}

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
    if (!callInitFromLauncher(jniEnv, true)) return;
    if (!registerNatives(jniEnv, library, oldMinimum ? JNI_FALSE : JNI_TRUE, &logError)) {
        jniEnv->ExceptionClear();
        logError(L"registering helper dll failed");
        callInitFromLauncher(jniEnv, false);
    }
}

bool callInitFromLauncher(JNIEnv* env, bool flag) {
    jclass common = env->FindClass(jre::kInstallerCommonClass);
    if (!common) {
        logError(L"did not find com/tessaly/runtime/installer/platform/win32/Common");
        return false;
    }
    jmethodID init = env->GetStaticMethodID(common, jre::kInitFromLauncherMethod, jre::kInitFromLauncherSignature);
    bool called = false;
    if (!init) {
        logError(L"did not find initMethod");
    } else {
        env->CallStaticVoidMethod(common, init, flag ? JNI_TRUE : JNI_FALSE);
        called = true;
    }
    env->DeleteLocalRef(common);
    return called;
}

void setModuleNameProperty() {
    JNIEnv* env = jniEnv;
    jclass system = env->FindClass(jre::kSystemClass);
    if (!system) {
        logError(L"could not get system class");
        return;
    }
    jmethodID setProperty = env->GetStaticMethodID(system, jre::kSetPropertyMethod,
                                                   "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
    if (!setProperty) {
        logError(L"could not get method for module name init");
        env->DeleteLocalRef(system);
        return;
    }
    const std::wstring& path = getExecutablePathWide();
    jstring value = newString(env, path);
    jstring key = newString(env, L"vorbix.moduleName");
    if (!value || !key) {
        logError(L"could not create string for init module name");
    } else {
        logMessage(L"setting vorbix.moduleName to %s", path.c_str());
        jobject previous = env->CallStaticObjectMethod(system, setProperty, key, value);
        if (previous) env->DeleteLocalRef(previous);
    }
    if (value) env->DeleteLocalRef(value);
    if (key) env->DeleteLocalRef(key);
    env->DeleteLocalRef(system);
}
