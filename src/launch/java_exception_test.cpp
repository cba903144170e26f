#include "launch/java_exception.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "host.h"

namespace {

// A VM that knows one pending exception object and one string.
struct FakeVm {
    JNINativeInterface_ table{};
    JNIEnv env{};
    _jobject exceptionObject{};
    _jobject classObject{};
    _jobject stringObject{};
    bool pending = false;
    bool hasToString = true;
    bool toStringThrows = false;
    std::u16string text = u"java.lang.IllegalStateException: boom \u00e9";
    std::vector<std::string> calls;
    bool calledWhilePending = false;
    int describedWhilePending = 0;
    int released = 0;
};

FakeVm* vm = nullptr;

void note(const char* call) {
    vm->calls.push_back(call);
    if (vm->pending && std::strcmp(call, "ExceptionOccurred") != 0 && std::strcmp(call, "ExceptionClear") != 0 &&
        std::strcmp(call, "ExceptionCheck") != 0 && std::strcmp(call, "ExceptionDescribe") != 0 &&
        std::strcmp(call, "DeleteLocalRef") != 0)
        vm->calledWhilePending = true;
}

jthrowable JNICALL exceptionOccurred(JNIEnv*) {
    note("ExceptionOccurred");
    return vm->pending ? static_cast<jthrowable>(&vm->exceptionObject) : nullptr;
}
jboolean JNICALL exceptionCheck(JNIEnv*) {
    note("ExceptionCheck");
    return vm->pending ? JNI_TRUE : JNI_FALSE;
}
void JNICALL exceptionClear(JNIEnv*) {
    note("ExceptionClear");
    vm->pending = false;
}
void JNICALL exceptionDescribe(JNIEnv*) {
    note("ExceptionDescribe");
    if (vm->pending) ++vm->describedWhilePending;
    vm->pending = false;
}
jint JNICALL throwObject(JNIEnv*, jthrowable) {
    note("Throw");
    vm->pending = true;
    return 0;
}
jclass JNICALL getObjectClass(JNIEnv*, jobject) {
    note("GetObjectClass");
    return static_cast<jclass>(&vm->classObject);
}
jmethodID JNICALL getMethodId(JNIEnv*, jclass, const char* name, const char* signature) {
    note("GetMethodID");
    if (!vm->hasToString || std::strcmp(name, "toString") != 0 ||
        std::strcmp(signature, "()Ljava/lang/String;") != 0) {
        vm->pending = true;  // NoSuchMethodError
        return nullptr;
    }
    return reinterpret_cast<jmethodID>(&vm->classObject);
}
// The C++ wrapper's variadic call goes through the va_list entry.
jobject JNICALL callObjectMethod(JNIEnv*, jobject, jmethodID, va_list) {
    note("CallObjectMethod");
    if (vm->toStringThrows) {
        vm->pending = true;
        return nullptr;
    }
    return &vm->stringObject;
}
jsize JNICALL getStringLength(JNIEnv*, jstring) {
    note("GetStringLength");
    return static_cast<jsize>(vm->text.size());
}
const jchar* JNICALL getStringChars(JNIEnv*, jstring, jboolean*) {
    note("GetStringChars");
    return reinterpret_cast<const jchar*>(vm->text.data());
}
void JNICALL releaseStringChars(JNIEnv*, jstring, const jchar*) {
    note("ReleaseStringChars");
    ++vm->released;
}
void JNICALL deleteLocalRef(JNIEnv*, jobject) { note("DeleteLocalRef"); }

class CheckJavaException : public ::testing::Test {
protected:
    void SetUp() override {
        resetHost();
        vm = &fake;
        fake.table.ExceptionOccurred = exceptionOccurred;
        fake.table.ExceptionCheck = exceptionCheck;
        fake.table.ExceptionClear = exceptionClear;
        fake.table.ExceptionDescribe = exceptionDescribe;
        fake.table.Throw = throwObject;
        fake.table.GetObjectClass = getObjectClass;
        fake.table.GetMethodID = getMethodId;
        fake.table.CallObjectMethodV = callObjectMethod;
        fake.table.GetStringLength = getStringLength;
        fake.table.GetStringChars = getStringChars;
        fake.table.ReleaseStringChars = releaseStringChars;
        fake.table.DeleteLocalRef = deleteLocalRef;
        fake.env.functions = &fake.table;
    }
    void TearDown() override { vm = nullptr; }
    FakeVm fake;
};

}  // namespace

TEST_F(CheckJavaException, NothingPending) {
    EXPECT_TRUE(checkJavaException(&fake.env, true));
    EXPECT_TRUE(hostLog().empty());
    EXPECT_EQ(fake.calls, std::vector<std::string>{"ExceptionOccurred"});
}

TEST_F(CheckJavaException, LogsTheTextDescribesAndClears) {
    fake.pending = true;
    EXPECT_FALSE(checkJavaException(&fake.env, true));
    EXPECT_EQ(hostLog(), (std::vector<std::wstring>{L"ERROR: an exception occurred",
                                                     L"ERROR: java.lang.IllegalStateException: boom \u00e9"}));
    EXPECT_FALSE(fake.calledWhilePending);
    EXPECT_EQ(fake.describedWhilePending, 1);
    EXPECT_EQ(fake.released, 1);
    EXPECT_FALSE(fake.pending);
}

TEST_F(CheckJavaException, WithoutDescribeTheVmPrintsNothing) {
    fake.pending = true;
    EXPECT_FALSE(checkJavaException(&fake.env, false));
    EXPECT_EQ(hostLog().size(), 2u);
    for (const std::string& call : fake.calls) EXPECT_NE(call, "ExceptionDescribe");
    EXPECT_FALSE(fake.pending);
}

TEST_F(CheckJavaException, MissingOrThrowingToStringLogsOnlyTheFirstLine) {
    for (bool missing : {true, false}) {
        resetHost();
        fake.hasToString = !missing;
        fake.toStringThrows = !missing;
        fake.pending = true;
        EXPECT_FALSE(checkJavaException(&fake.env, true));
        EXPECT_EQ(hostLog(), std::vector<std::wstring>{L"ERROR: an exception occurred"});
        EXPECT_EQ(fake.describedWhilePending, missing ? 1 : 2);
        EXPECT_FALSE(fake.pending);
    }
}

TEST_F(CheckJavaException, HandsTheTextToTheCaller) {
    fake.pending = true;
    std::wstring text = L"stale";
    EXPECT_FALSE(checkJavaException(&fake.env, true, &text));
    EXPECT_EQ(text, L"java.lang.IllegalStateException: boom \u00e9");
    fake.hasToString = false;
    fake.pending = true;
    EXPECT_FALSE(checkJavaException(&fake.env, false, &text));
    EXPECT_EQ(text, L"");
}
