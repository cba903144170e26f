#include "core/java_exception.h"

#include <string>

#include "core/log.h"

namespace {

// The exception's toString text as UTF-16, empty when the VM gives none.
std::wstring exceptionText(JNIEnv* env, jthrowable exception) {
    // Every exception is a Throwable, so its toString is found there.
    jclass throwable = env->FindClass("java/lang/Throwable");
    if (!throwable) return std::wstring();
    jmethodID toString = env->GetMethodID(throwable, "toString", "()Ljava/lang/String;");
    std::wstring text;
    if (toString) {
        jstring value = static_cast<jstring>(env->CallObjectMethod(exception, toString));
        if (value) {
            jsize length = env->GetStringLength(value);
            const jchar* chars = env->GetStringChars(value, nullptr);
            if (chars) {
                text.assign(reinterpret_cast<const wchar_t*>(chars), static_cast<size_t>(length));
                env->ReleaseStringChars(value, chars);
            }
            env->DeleteLocalRef(value);
        }
    }
    env->DeleteLocalRef(throwable);
    return text;
}

}  // namespace

bool checkJavaException(JNIEnv* env, bool describe) {
    jthrowable exception = env->ExceptionOccurred();
    if (!exception) return true;
    logError(L"an exception occurred");
    // toString must not run with the exception still pending.
    env->ExceptionClear();
    std::wstring text = exceptionText(env, exception);
    if (!text.empty()) logError(L"%s", text.c_str());
    if (describe) {
        // ExceptionDescribe prints the pending exception: raise it again.
        env->Throw(exception);
        env->ExceptionDescribe();
    }
    env->ExceptionClear();
    env->DeleteLocalRef(exception);
    return false;
}
