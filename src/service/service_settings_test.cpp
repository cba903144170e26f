#include "service/service_settings.h"

#include <gtest/gtest.h>

#include "core/format.h"

TEST(ServiceSettings, AccountKindsAndTheNamesTheyInstallUnder) {
    struct Case {
        const char* text;
        AccountKind kind;
        const wchar_t* name;  // for the service "Svc"
    };
    const Case cases[] = {
        {"LocalSystem", AccountKind::LocalSystem, L""},
        {"LocalService", AccountKind::LocalService, L"NT AUTHORITY\\LocalService"},
        {"NetworkService", AccountKind::NetworkService, L"NT AUTHORITY\\NetworkService"},
        {"virtual", AccountKind::Virtual, L"NT SERVICE\\Svc"},
        {".\\bob", AccountKind::User, L".\\bob"},
        {"CORP\\j\xE9r\xF4me", AccountKind::User, L"CORP\\j\u00e9r\u00f4me"},
        // Unknown kinds, names without a domain or a user, and the system's own domains.
        {"", AccountKind::Invalid, L""},
        {"Bob", AccountKind::Invalid, L""},
        {"localsystem", AccountKind::Invalid, L""},
        {"Virtual", AccountKind::Invalid, L""},
        {"\\bob", AccountKind::Invalid, L""},
        {"CORP\\", AccountKind::Invalid, L""},
        {"a\\b\\c", AccountKind::Invalid, L""},
        {"CORP\\bo\tb", AccountKind::Invalid, L""},
        {"NT AUTHORITY\\LocalService", AccountKind::Invalid, L""},
        {"nt service\\Svc", AccountKind::Invalid, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(accountKind(c.text), c.kind);
        EXPECT_EQ(serviceAccountName(c.kind, widenBytes(c.text), L"Svc"), c.name);
    }
}

TEST(ServiceSettings, FailureActionsTextsTheToolNeverWritesAreRefused) {
    for (const char* text : {"", "86400", "86400;", "86400;F", "x;N", "086400;N", "-1;N", " 1;N", "1;N;", "1;R",
                             "1;R05", "1;R-5", "1;R+5", "1;R2147483648", "2147483648;N", "1;n", "1;Q", "1;N;N;N;N",
                             "1;N;F;F", "1;F;N", "1;RN"}) {
        SCOPED_TRACE(text);
        FailureActions decoded;
        decoded.resetSeconds = 7;
        EXPECT_FALSE(decodeFailureActions(text, decoded));
        EXPECT_EQ(decoded.resetSeconds, 7u);  // untouched
    }
}

TEST(ServiceSettings, EntriesAreReadOrNamedWhenUnreadable) {
    ServiceSettings settings;
    EXPECT_EQ(readServiceSettings({}, settings), "");
    EXPECT_EQ(settings.account, AccountKind::LocalSystem);
    EXPECT_FALSE(settings.failureActions || settings.delayedAutoStart || settings.preshutdownMs);

    EXPECT_EQ(readServiceSettings({{cfg::kServiceAccount, "virtual"},
                                   {cfg::kFailureActions, "30;R1000;R2000"},
                                   {cfg::kDelayedAutoStart, "1"},
                                   {cfg::kPreshutdownTimeout, "60"}},
                                  settings),
              "");
    EXPECT_EQ(settings.account, AccountKind::Virtual);
    ASSERT_TRUE(settings.failureActions);
    EXPECT_EQ(settings.failureActions->actions.size(), 2u);
    EXPECT_TRUE(settings.delayedAutoStart);
    EXPECT_EQ(settings.preshutdownMs, 60000u);

    struct Case {
        ConfigId id;
        const char* text;
        const char* problem;
    };
    const Case bad[] = {
        {cfg::kServiceAccount, "Bob", "unknown service account \"Bob\" (entry 30101)"},
        {cfg::kFailureActions, "1;X", "unreadable failure actions \"1;X\" (entry 30102)"},
        {cfg::kPreshutdownTimeout, "-3", "unreadable pre-shutdown timeout \"-3\" (entry 30104)"},
    };
    for (const Case& c : bad) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(readServiceSettings({{c.id, c.text}}, settings), c.problem);
    }
}
