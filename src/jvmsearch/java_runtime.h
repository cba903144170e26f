// What the launcher expects of a Java runtime that it hosts but does not
// contain: the files below a runtime home, the VM library's invocation entry
// point and the JNI types (from the JDK's jni.h), the optional argument-file
// helpers of jli.dll, and the Java classes and methods it calls. Any runtime
// offering these names, signatures and results serves.
#pragma once

#include <jni.h>

#include <cstddef>

namespace jre {

// Files below a runtime home (or below its bin directory where noted).
constexpr const char* kJavaExe = "java.exe";                  // file name only
constexpr const char* kJavawExe = "javaw.exe";                // file name only
constexpr const char* kBinJavaExe = "\\bin\\java.exe";        // run with -version
constexpr const char* kEmbeddedJreJavaExe = "\\jre\\bin\\java.exe";  // a JDK's own JRE
constexpr const char* kToolsJar = "\\lib\\tools.jar";         // marks a JDK up to Java 8
constexpr const char* kUnpack200Exe = "\\bin\\unpack200.exe"; // only for packed archives
constexpr const char* kJliDll = "\\bin\\jli.dll";             // optional "@" argument files
constexpr const char* kUcrtbaseDll = "ucrtbase.dll";          // optional, in bin
constexpr const char* kJvmDll = "jvm.dll";                    // in a folder below bin
// The folders below bin that may hold jvm.dll, in the order they are tried
// (after a configured one).
constexpr const char* kVmFolders[] = {"client", "server", "j9vm", "hotspot", "jrockit"};
constexpr size_t kVmFolderCount = sizeof(kVmFolders) / sizeof(kVmFolders[0]);

// The text in front of the quoted version in `java -version` output.
constexpr const char* kVersionMarker = " version \"";

// The VM library's invocation entry point: out JavaVM, out JNIEnv (as void**),
// in JavaVMInitArgs; 0 on success.
constexpr const char* kCreateJavaVMName = "JNI_CreateJavaVM";
using CreateJavaVMFunction = jint(JNICALL*)(JavaVM** vm, void** env, void* args);
constexpr jint kJniVersion = JNI_VERSION_1_2;

// jli.dll's argument-file helpers. A preprocessed argument is either null (the
// argument stays as it is) or a list whose element array and the list itself
// are released with JLI_MemFree.
struct JliListData {
    char** elements;
    size_t size;
    size_t capacity;
};
using JliList = JliListData*;
constexpr const char* kJliInitArgProcessingName = "JLI_InitArgProcessing";
constexpr const char* kJliPreprocessArgName = "JLI_PreprocessArg";
constexpr const char* kJliMemFreeName = "JLI_MemFree";
using JliInitArgProcessingFunction = void(JNICALL*)(jboolean hasJavaArgs, jboolean disableArgFile);
using JliPreprocessArgFunction = JliList(JNICALL*)(const char* arg, jboolean expandSourceOpt);
using JliMemFreeFunction = void(JNICALL*)(void* pointer);

// The installer flavour's helper library (below the application directory)
// and its registration export: JNI environment, the library's module handle,
// register all natives, a printf-style wide error reporter; non-zero on success.
constexpr const char* kInstallerHelperDll = "\\.tessaly\\tsyinst.dll";
constexpr const char* kRegisterNativesExName = "registerNativesEx";
using ErrorReporter = void (*)(const wchar_t* format, ...);
using RegisterNativesExFunction = jboolean(JNICALL*)(JNIEnv* env, void* module, jboolean registerAll,
                                                     ErrorReporter reporter);

// Java classes and methods the launcher calls.
constexpr const char* kLauncherClass = "com/vorbix/runtime/WinLauncher";
constexpr const char* kInstallerLauncherClass = "com/tessaly/runtime/launcher/WinLauncher";
constexpr const char* kInstallerCommonClass = "com/tessaly/runtime/installer/platform/win32/Common";
constexpr const char* kMainMethod = "main";
constexpr const char* kMainSignature = "([Ljava/lang/String;)V";
constexpr const char* kInitAwtSplashConfigMethod = "initAwtSplashConfig";
constexpr const char* kInitFromLauncherMethod = "initFromLauncher";
constexpr const char* kInitFromLauncherSignature = "(Z)V";
constexpr const char* kSystemClass = "java/lang/System";
constexpr const char* kSetPropertyMethod = "setProperty";

}  // namespace jre
