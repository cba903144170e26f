// The JNI side of starting the application, free of the platform: creating
// the VM through the selected runtime's entry point, the splash values, the
// module name property, the installer's initialisation, and the call of the
// launcher Java class's main with the launcher parameters and the program
// arguments. What it needs of the platform is in launch/vm_platform.h.
//
// Every call into Java and every failed lookup is followed by a check that
// logs and clears what was thrown: the VM must not be called again with an
// exception pending.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

#include "jvmsearch/java_runtime.h"
#include "launch/option_list.h"

// The block handed to the VM thread; never released.
struct LaunchRequest {
    std::vector<std::wstring> arguments;
    JavaVMInitArgs initArgs{};
    bool destroyAfterMain = true;
    // Called on the VM's thread right before main, when set.
    void (*mainCalled)(void* context) = nullptr;
    void* mainCalledContext = nullptr;
};

// Clears the init arguments (JNI_VERSION_1_2, unrecognized options ignored),
// logs the options and stores copies of them, kept for the life of the process.
void storeVmOptions(JavaVMInitArgs& initArgs, const OptionList& options);

// True when main returned without a pending exception.
bool createVmAndRunMain(LaunchRequest& request);
bool callMainClass(LaunchRequest& request);
void buildLauncherParameters(std::vector<std::wstring>& parameters);
bool callInitFromLauncher(JNIEnv* env, bool flag);
void setModuleNameProperty();
// The installer helper library's part once it is loaded: initialisation,
// its natives (all of them unless the minimum Java version is old), and the
// initialisation again without them when registering fails.
void registerHelperNatives(void* library, jre::RegisterNativesExFunction registerNatives, bool oldMinimum);

// The VM and the VM thread's environment, once created.
JavaVM* launchedJavaVm();
JNIEnv* launchedJniEnv();
