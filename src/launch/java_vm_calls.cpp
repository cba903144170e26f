#include "launch/java_vm_calls.h"

#include <cstring>

#include "core/command_line.h"
#include "core/config/config_store.h"
#include "core/format.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "core/phase_times.h"
#include "core/temp_dirs.h"
#include "jvmsearch/selected_jvm.h"
#include "launch/java_exception.h"
#include "launch/jni_text.h"
#include "launch/launch_values.h"
#include "launch/vm_platform.h"

namespace {

// Splash texts are copied into buffers of this many bytes.
constexpr size_t kSplashTextSize = 2000;

JavaVM* javaVm = nullptr;
JNIEnv* jniEnv = nullptr;

const char* const kSplashSignature =
    "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V";

const char* launcherClassName() { return launcherFlavour == 'i' ? jre::kInstallerLauncherClass : jre::kLauncherClass; }

[[noreturn]] void internalFailure(const wchar_t* what) {
    logError(L"assertion failed: %s", what);
    showError((std::wstring(L"Internal error: ") + what).c_str());
    exitLauncher(1);
}

jstring newString(JNIEnv* env, const std::wstring& text) {
    static const jchar kNoUnits[1] = {0};
    std::vector<jchar> units = toJchars(text);
    return env->NewString(units.empty() ? kNoUnits : units.data(), static_cast<jsize>(units.size()));
}

// A failed lookup or a call into Java may leave an exception: log what was
// thrown and clear it, so that the next call does not run with it pending.
void clearJavaException(JNIEnv* env) { checkJavaException(env, false); }

void passSplashConfiguration(JNIEnv* env) {
    jclass launcher = env->FindClass(jre::kLauncherClass);
    if (!launcher) {
        logError(L"could not find main class for splash properties");
        clearJavaException(env);
        return;
    }
    jmethodID method = env->GetStaticMethodID(launcher, jre::kInitAwtSplashConfigMethod, kSplashSignature);
    if (!method) {
        logError(L"could not find method for splash properties");
        clearJavaException(env);
        env->DeleteLocalRef(launcher);
        return;
    }
    // The texts are 8-bit (Latin-1) configuration entries: widened byte by
    // byte, as the other configured texts are, not taken for modified UTF-8.
    const ConfigId textIds[] = {cfg::kSplashText1, cfg::kSplashText2, cfg::kSplashText3, cfg::kSplashText4};
    jstring texts[4] = {};
    bool made = true;
    for (int i = 0; i < 4 && made; ++i) {
        char buffer[kSplashTextSize];
        copyString(textIds[i], buffer, sizeof buffer);
        texts[i] = newString(env, widenBytes(buffer));
        made = texts[i] != nullptr;
    }
    if (made) {
        env->CallStaticVoidMethod(launcher, method, JNI_TRUE, getInt(cfg::kSplashFlag) != 0 ? JNI_TRUE : JNI_FALSE,
                                  texts[0], getInt(cfg::kSplashInt1), getInt(cfg::kSplashInt2), texts[1],
                                  getInt(cfg::kSplashInt3), getInt(cfg::kSplashInt4), texts[2],
                                  getInt(cfg::kSplashInt5), getInt(cfg::kSplashInt6), texts[3],
                                  getInt(cfg::kSplashInt7), getInt(cfg::kSplashInt8));
    }
    clearJavaException(env);
    for (jstring text : texts)
        if (text) env->DeleteLocalRef(text);
    env->DeleteLocalRef(launcher);
}

}  // namespace

JavaVM* launchedJavaVm() { return javaVm; }
JNIEnv* launchedJniEnv() { return jniEnv; }

void storeVmOptions(JavaVMInitArgs& initArgs, const OptionList& options) {
    initArgs = JavaVMInitArgs{};
    initArgs.version = JNI_VERSION_1_2;
    initArgs.ignoreUnrecognized = JNI_TRUE;
    initArgs.nOptions = static_cast<jint>(options.size());
    logMessage(L"vmoption count %d", initArgs.nOptions);
    initArgs.options = new JavaVMOption[options.size() ? options.size() : 1];
    for (size_t i = 0; i < options.size(); ++i) {
        logMessage(L"vmoption %d: %S", static_cast<int>(i), options[i].c_str());
        char* copy = new char[options[i].size() + 1];
        std::memcpy(copy, options[i].c_str(), options[i].size() + 1);
        initArgs.options[i].optionString = copy;
        initArgs.options[i].extraInfo = nullptr;
    }
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
    markPhase("vm created");
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
        markPhase("vm destroyed");
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
        clearJavaException(env);
        fatalError(cfg::kMsgLauncherClassMissing);
    }
    jmethodID main = env->GetStaticMethodID(launcher, jre::kMainMethod, jre::kMainSignature);
    if (!main) {
        logError(L"could not find main method");
        clearJavaException(env);
        fatalError(cfg::kMsgLauncherMainMissing);
    }
    std::vector<std::wstring> launcherParameters;
    buildLauncherParameters(launcherParameters);
    std::wstring configured;
    getWideString(cfg::kProgramArguments, configured);
    expandLauncherText(configured);
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
        // The array holds it now; hundreds of arguments would exceed the
        // local references a native frame may hold.
        env->DeleteLocalRef(jstr);
    }
    logMessage(L"calling main");
    enterSafeLogMode();
    markPhase("main called");
    if (request.mainCalled) request.mainCalled(request.mainCalledContext);
    env->CallStaticVoidMethod(launcher, main, paramArray);
    markPhase("main returned");
    logMessage(L"main returned");
    std::wstring exceptionText;
    if (checkJavaException(env, true, &exceptionText)) return true;
    // The VM's description goes to the worker's discarded output; a service
    // keeps the reason where an administrator finds it.
    reportMainFailure(L"The Java application's main method ended with an exception: " +
                      (exceptionText.empty() ? std::wstring(L"(no text)") : exceptionText));
    return false;
}

void registerHelperNatives(void* library, jre::RegisterNativesExFunction registerNatives, bool oldMinimum) {
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
        clearJavaException(env);
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
    clearJavaException(env);
    env->DeleteLocalRef(common);
    return called;
}

void setModuleNameProperty() {
    JNIEnv* env = jniEnv;
    jclass system = env->FindClass(jre::kSystemClass);
    if (!system) {
        logError(L"could not get system class");
        clearJavaException(env);
        return;
    }
    jmethodID setProperty = env->GetStaticMethodID(system, jre::kSetPropertyMethod,
                                                   "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
    if (!setProperty) {
        logError(L"could not get method for module name init");
        clearJavaException(env);
        env->DeleteLocalRef(system);
        return;
    }
    const std::wstring& path = launcherExecutablePath();
    jstring value = newString(env, path);
    // A string that could not be made leaves an OutOfMemoryError pending.
    jstring key = value ? newString(env, L"vorbix.moduleName") : nullptr;
    if (!value || !key) {
        logError(L"could not create string for init module name");
    } else {
        logMessage(L"setting vorbix.moduleName to %s", path.c_str());
        jobject previous = env->CallStaticObjectMethod(system, setProperty, key, value);
        if (previous) env->DeleteLocalRef(previous);
    }
    clearJavaException(env);
    if (value) env->DeleteLocalRef(value);
    if (key) env->DeleteLocalRef(key);
    env->DeleteLocalRef(system);
}
