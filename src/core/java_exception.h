// Reporting a Java exception left pending by a call into the VM.
#pragma once

#include <jni.h>

// True when no exception is pending. Otherwise logs "an exception occurred"
// and the exception's own toString text, lets the VM describe it when
// describe is set, clears it and returns false.
bool checkJavaException(JNIEnv* env, bool describe);
