#include "support/instance_name.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST(InstanceName, SidBytesGiveTheTextForm) {
    using Bytes = std::vector<uint8_t>;
    struct Case {
        Bytes sid;
        std::string text;
    };
    const Case cases[] = {
        {{1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}, "S-1-5-18"},
        {{1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0}, "S-1-5-32-544"},
        // A user: sub-authorities are little-endian, the largest ones unsigned.
        {{1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xE8, 3, 0, 0},
         "S-1-5-21-305419896-4294967295-0-1000"},
        {{1, 0, 0, 0, 0, 0, 0, 1}, "S-1-1"},
        // The authority in network order; beyond 32 bits in hex.
        {{1, 1, 0, 0, 0x01, 0x02, 0x03, 0x04, 7, 0, 0, 0}, "S-1-16909060-7"},
        {{1, 1, 0x00, 0x01, 0xAB, 0x00, 0x00, 0x0F, 1, 0, 0, 0}, "S-1-0x0001AB00000F-1"},
        // Not an identifier: other revision, too many parts, too few bytes.
        {{2, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}, ""},
        {{1, 16, 0, 0, 0, 0, 0, 5}, ""},
        {{1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0}, ""},
        {{1, 0, 0, 0, 0, 0, 0}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(sidString(c.sid.data(), c.sid.size()), c.text) << c.text;
    EXPECT_EQ(sidString(nullptr, 8), "");
}
