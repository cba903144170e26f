#include "service/service_record.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(ServiceRecord, AccountsThatNeedAPassword) {
    struct Case {
        const wchar_t* account;
        bool needs;
    };
    const Case cases[] = {
        {L"", false},
        {L"LocalSystem", false},
        {L"localsystem", false},
        {L"NT AUTHORITY\\LocalService", false},
        {L"nt authority\\NetworkService", false},
        {L"NT SERVICE\\MyApp", false},
        {L"CORP\\svc-gmsa$", false},
        {L".\\bob", true},
        {L"CORP\\svc-app", true},
        {L"bob@corp.example", true},
        {L"NT AUTHORITYX\\bob", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(accountNeedsPassword(c.account), c.needs) << std::string(c.account, c.account + wcslen(c.account));
    }
}

TEST(ServiceRecord, NulListsRoundTrip) {
    EXPECT_EQ(splitNulList(L"a\0+grp\0\0"s), (std::vector<std::wstring>{L"a", L"+grp"}));
    EXPECT_EQ(splitNulList(L"a\0b"s), (std::vector<std::wstring>{L"a", L"b"}));  // no final NULs
    EXPECT_EQ(splitNulList(L""), std::vector<std::wstring>{});
    EXPECT_EQ(splitNulList(L"\0\0"s), std::vector<std::wstring>{});
    EXPECT_EQ(joinNulList({L" a ", L"+grp"}), L" a \0+grp\0\0"s);
    EXPECT_EQ(joinNulList({}), L"");
}

TEST(ServiceRecord, InfoLinesSayWhatIsKnownAndWhatIsNot) {
    ServiceRecord full;
    full.name = L"App";
    full.displayName = L"App Service";
    full.binaryPath = L"\"C:\\my apps\\app.exe\"";
    full.startType = 2;
    full.delayedAutoStart = true;
    full.account = L"NT SERVICE\\App";
    full.description = L"Runs the app";
    full.dependencies = {L"Tcpip", L"+NetworkProvider"};
    full.recovery = Recovery{86400, L"", L"", {{1, 5000}, {1, 60000}, {0, 0}}};
    full.recoveryOnNonZeroExit = true;
    full.preshutdownMs = 60000;
    full.grantedLogonRight = L"S-1-5-21-1-2-3-1001";
    full.state = 4;

    ServiceRecord bare;
    bare.name = L"Bare";
    bare.displayName = L"Bare";
    bare.binaryPath = L"\"C:\\b.exe\"";
    bare.startType = 2;  // delayed start unknown
    bare.state = 1;

    ServiceRecord demand = bare;
    demand.startType = 3;
    demand.delayedAutoStart = true;  // no automatic start: nothing to delay
    demand.recovery = Recovery{};
    demand.recoveryOnNonZeroExit = true;  // without actions nothing runs
    demand.account = L"LocalSystem";
    demand.state = 9;

    struct Case {
        const char* label;
        const ServiceRecord& record;
        std::vector<std::wstring> lines;
    };
    const Case cases[] = {
        {"every setting",
         full,
         {L"Service:          App", L"Display name:     App Service", L"Program:          \"C:\\my apps\\app.exe\"",
          L"Start type:       automatic, delayed", L"Account:          NT SERVICE\\App",
          L"Description:      Runs the app", L"Dependencies:     Tcpip, group NetworkProvider",
          L"Failure actions:  reset after 86400 s; restart after 5000 ms, restart after 60000 ms, none; also for a "
          L"stop with a non-zero exit code",
          L"Pre-shutdown:     60000 ms", L"Logon right:      granted by /install, taken back by /uninstall",
          L"State:            running"}},
        {"nothing readable",
         bare,
         {L"Service:          Bare", L"Display name:     Bare", L"Program:          \"C:\\b.exe\"",
          L"Start type:       automatic", L"Account:          LocalSystem", L"Description:      none",
          L"Dependencies:     none", L"Failure actions:  unknown (the system does not say)",
          L"Pre-shutdown:     the system's default", L"State:            stopped"}},
        {"empty actions, demand start, odd state",
         demand,
         {L"Service:          Bare", L"Display name:     Bare", L"Program:          \"C:\\b.exe\"",
          L"Start type:       on demand", L"Account:          LocalSystem", L"Description:      none",
          L"Dependencies:     none", L"Failure actions:  none", L"Pre-shutdown:     the system's default",
          L"State:            unknown"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(serviceInfoLines(c.record), c.lines);
    }
}
