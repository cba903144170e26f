// Checking for a pending Java exception after a call into the VM.
#pragma once

#include <jni.h>

// True when no exception is pending. Otherwise logs the exception's own text
// (its toString), lets the VM print it when describe is set, clears it and
// gives false.
bool checkJavaException(JNIEnv* env, bool describe);
