// The JNI types must have the sizes the VM's ABI expects on both sides.
#include "jvmsearch/java_runtime.h"

#include <gtest/gtest.h>

TEST(JavaRuntime, JniTypesHaveTheirAbiSizes) {
    static_assert(sizeof(jint) == 4, "jint is 32 bits");
    static_assert(sizeof(jlong) == 8, "jlong is 64 bits");
    static_assert(sizeof(jbyte) == 1, "jbyte is 8 bits");
    EXPECT_EQ(sizeof(jre::CreateJavaVMFunction), sizeof(void*));
}
