// Checking for a pending Java exception after a call into the VM.
#pragma once

#include <jni.h>

#include <string>

// True when no exception is pending. Otherwise logs the exception's own text
// (its toString), lets the VM print it when describe is set, clears it and
// gives false.
bool checkJavaException(JNIEnv* env, bool describe);
// The same; the exception's text (empty when it yields none) also goes to
// text, for a report beyond the log.
bool checkJavaException(JNIEnv* env, bool describe, std::wstring* text);
