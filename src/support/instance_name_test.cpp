#include "support/instance_name.h"

#include <gtest/gtest.h>

TEST(InstanceName, IdentityTurnsSeparatorsAndSpacesIntoUnderscores) {
    EXPECT_EQ(executableIdentity("c:\\program files\\my app\\app.exe"), "c:_program_files_my_app_app.exe");
    EXPECT_EQ(executableIdentity("\\\\server\\share\\a b.exe"), "__server_share_a_b.exe");
    // Other characters, including forward slashes and tabs, stay.
    EXPECT_EQ(executableIdentity("c:/x\ty.exe"), "c:/x\ty.exe");
    EXPECT_EQ(executableIdentity(""), "");
}

TEST(InstanceName, PrefixIsJoinedToTheIdentityWithoutSeparator) {
    const std::string sid = "S-1-5-21-0-0-0-1000";
    EXPECT_EQ(semaphoreBaseName(SemaphoreScope::Machine, sid, "c:_a.exe"), "Global\\c:_a.exe");
    EXPECT_EQ(semaphoreBaseName(SemaphoreScope::Session, sid, "c:_a.exe"), "Local\\c:_a.exe");
    EXPECT_EQ(semaphoreBaseName(SemaphoreScope::User, sid, "c:_a.exe"), "Global\\S-1-5-21-0-0-0-1000c:_a.exe");
}
