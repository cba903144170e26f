// Creating the VM on a thread of the configured stack size and calling the
// launcher Java class's main with the launcher parameters and the program
// arguments.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

// The block handed to the VM thread; never released.
struct LaunchRequest {
    std::vector<std::wstring> arguments;
    JavaVMInitArgs initArgs{};
    bool destroyAfterMain = true;
};

// True when the Java main method returned without a pending exception.
bool launchJava(const std::vector<std::wstring>& arguments);

bool createVmAndRunMain(LaunchRequest& request);
bool callMainClass(LaunchRequest& request);
void buildLauncherParameters(std::vector<std::wstring>& parameters);
void loadHelperLibrary();
bool callInitFromLauncher(JNIEnv* env, bool flag);
void setModuleNameProperty();

// The VM and the VM thread's environment, once created.
JavaVM* launchedJavaVm();
JNIEnv* launchedJniEnv();
