#include "service/service_text.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(DependencyList, CommasGiveADoubleNulList) {
    EXPECT_EQ(buildDependencyList(L"a,,b"), L"a\0b\0\0"s);
    EXPECT_EQ(buildDependencyList(L"Tcpip"), L"Tcpip\0\0"s);
    EXPECT_EQ(buildDependencyList(L",a,"), L"a\0\0"s);
}

TEST(DependencyList, BlanksStayPartOfTheName) {
    EXPECT_EQ(buildDependencyList(L" a , b"), L" a \0 b\0\0"s);
}

TEST(DependencyList, NoNamesGiveNoList) {
    EXPECT_EQ(buildDependencyList(L""), L"");
    EXPECT_EQ(buildDependencyList(L",,,"), L"");
}

TEST(WorkerCommandLine, NameOwnArgumentsStartArgumentsThenMarker) {
    std::wstring line = buildWorkerCommandLine({L"C:\\svc\\app.exe", L"own"}, L"svc", {L"svc", L"a", L"b c"});
    EXPECT_EQ(line, L"C:\\svc\\app.exe svc own a \"b c\" __tsy_restart");
}

TEST(WorkerCommandLine, OnlyTheSpaceDecidesTheQuoting) {
    std::wstring line = buildWorkerCommandLine({L"C:\\my dir\\app.exe", L"x\ty", L"say \"hi\""}, L"My Service",
                                               {L"My Service"});
    EXPECT_EQ(line, L"\"C:\\my dir\\app.exe\" \"My Service\" x\ty \"say \"hi\"\" __tsy_restart");
}

TEST(WorkerCommandLine, WithoutStartArguments) {
    EXPECT_EQ(buildWorkerCommandLine({L"app.exe"}, L"s", {}), L"app.exe s __tsy_restart");
}
