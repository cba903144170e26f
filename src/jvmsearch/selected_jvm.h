// The runtime chosen by LoadDLL, recorded once for the later launch steps.
#pragma once

#include <string>

#include "jvmsearch/java_runtime.h"

struct SelectedJvm {
    std::string jreHome;         // the java executable's directory + "\.."
    std::string javaVersion;     // the version text of the selected candidate
    std::string vmBinDirectory;  // the bin directory jvm.dll was loaded from
    void* vmLibrary = nullptr;   // the module handle of jvm.dll
    jre::CreateJavaVMFunction createJavaVM = nullptr;
    bool previousInstallation = false;  // found through a type I entry
    bool oldMinimum = false;            // the minimum version is below 1.8
};

SelectedJvm& selectedJvm();
