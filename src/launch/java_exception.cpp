#include "launch/java_exception.h"

#include <string>

#include "core/log.h"
#include "launch/jni_text.h"

namespace {

std::wstring logExceptionText(JNIEnv* env, jthrowable exception) {
    std::wstring wide;
    jclass type = env->GetObjectClass(exception);
    jmethodID toString = type ? env->GetMethodID(type, "toString", "()Ljava/lang/String;") : nullptr;
    jstring text = toString ? static_cast<jstring>(env->CallObjectMethod(exception, toString)) : nullptr;
    // A failed lookup or a throwing toString leaves an exception of its own.
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
        text = nullptr;
    }
    if (text) {
        jsize length = env->GetStringLength(text);
        if (const jchar* chars = env->GetStringChars(text, nullptr)) {
            wide = fromJchars(chars, length);
            logError(L"%s", wide.c_str());
            env->ReleaseStringChars(text, chars);
        } else {
            env->ExceptionClear();  // out of memory: the text is lost, not the report
        }
        env->DeleteLocalRef(text);
    }
    if (type) env->DeleteLocalRef(type);
    return wide;
}

}  // namespace

bool checkJavaException(JNIEnv* env, bool describe) { return checkJavaException(env, describe, nullptr); }

bool checkJavaException(JNIEnv* env, bool describe, std::wstring* text) {
    jthrowable exception = env->ExceptionOccurred();
    if (!exception) return true;
    logError(L"an exception occurred");
    // The VM must not be called with an exception pending: clear it while
    // asking for its text, and raise it again only for the VM's description.
    env->ExceptionClear();
    std::wstring found = logExceptionText(env, exception);
    if (text) *text = found;
    if (describe) {
        env->Throw(exception);
        env->ExceptionDescribe();
    }
    env->ExceptionClear();
    env->DeleteLocalRef(exception);
    return false;
}
