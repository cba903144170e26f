#include <gtest/gtest.h>

#include "launch/launch_values.h"
#include "launch/path_entry_list.h"

using Strings = std::vector<std::string>;
using Wide = std::vector<std::wstring>;

TEST(PathEntries, TypeFlagAndValue) {
    std::vector<PathEntry> entries = parsePathEntries("A0lib\\a.jar;;S1lib;E0EXTRA_CP;x;D0");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].type, 'A');
    EXPECT_FALSE(entries[0].required);
    EXPECT_EQ(entries[0].value, "lib\\a.jar");
    EXPECT_EQ(entries[1].type, 'S');
    EXPECT_TRUE(entries[1].required);
    EXPECT_EQ(entries[2].value, "EXTRA_CP");
    // Two characters are an entry with an empty value; one is skipped.
    EXPECT_EQ(entries[3].type, 'D');
    EXPECT_EQ(entries[3].value, "");
    EXPECT_TRUE(parsePathEntries("").empty());
}

TEST(PathEntries, EnvironmentValues) {
    EXPECT_EQ(environmentPathValue("\"C:\\a b\\x.jar\""), "C:\\a b\\x.jar;");
    EXPECT_EQ(environmentPathValue("a.jar;b.jar;"), "a.jar;b.jar;");
    EXPECT_EQ(environmentPathValue("\"a.jar;\""), "a.jar;");
    // A lone quote is no pair.
    EXPECT_EQ(environmentPathValue("\"a.jar"), "\"a.jar;");
}

TEST(LauncherProperties, OrderAndConditions) {
    LauncherPropertyValues values;
    values.executablePath = "C:\\App\\server.exe";
    values.unextractedPosition = 0;
    values.consoleCodePage = 850;
    EXPECT_EQ(buildLauncherProperties(values),
              (Strings{"-Dvorbix.moduleName=C:\\App\\server.exe", "-Dsun.java.command=C:\\App\\server.exe",
                       "-Dvorbix.tempDir=", "-Dvorbix.unextractedPosition=0", "-Dvorbix.consoleCodepage=cp850"}));

    values.semaphoreName = "Local\\sem0";
    values.previousJdk = true;
    values.installerFlavour = true;
    values.serviceMode = true;
    values.launcherTempDirectory = "C:\\T\\e4j1.tmp_dir";
    values.unextractedPosition = 123456789012LL;
    values.libraryPath = "C:\\rt\\bin;C:\\windows";
    values.consoleCodePage.reset();  // MANPATH set
    EXPECT_EQ(buildLauncherProperties(values),
              (Strings{"-Dvorbix.semaphoreName=Local\\sem0", "-Dtsy.previousJdk=true", "-Dvorbix.isTessaly=true",
                       "-Dvorbix.isService=true", "-Dvorbix.moduleName=C:\\App\\server.exe",
                       "-Dsun.java.command=C:\\App\\server.exe", "-Dvorbix.tempDir=C:\\T\\e4j1.tmp_dir",
                       "-Dvorbix.unextractedPosition=123456789012", "-Djava.library.path=C:\\rt\\bin;C:\\windows"}));
}

TEST(VmThreadStack, LastValidSizeCounts) {
    EXPECT_EQ(vmThreadStackSize({}), 0u);
    EXPECT_EQ(vmThreadStackSize({"-Xss512k"}), 524288u);
    EXPECT_EQ(vmThreadStackSize({"-Xss1k"}), 65536u);
    EXPECT_EQ(vmThreadStackSize({"-Xss1m", "-Xmx1g", "-Xss2m"}), 2097152u);
    EXPECT_EQ(vmThreadStackSize({"-Xss4g"}), 0u);  // low 32 bits are 0
    EXPECT_EQ(vmThreadStackSize({"-Xss1m", "-Xss12kb"}), 1048576u);
    EXPECT_EQ(vmThreadStackSize({"-Xss1m", "-Xss"}), 1048576u);
    EXPECT_EQ(vmThreadStackSize({"-Xss2m", "-Xss0"}), 2097152u);  // 0 is no candidate
    EXPECT_EQ(vmThreadStackSize({"-XX:ThreadStackSize=1", "-xss1m"}), 0u);
}

TEST(ProgramParameters, FiltersOnlyLaterArguments) {
    Wide launcher{L"false", L"com.example.Main", L"", L"", L"false"};
    Wide args{L"svc", L"-J-Xmx1g", L"-Dsun.locale.formatasdefault=true", L"x"};
    Wide expected = launcher;
    expected.insert(expected.end(), {L"svc", L"--conf", L"a b", L"x"});
    EXPECT_EQ(programParameters(launcher, args, {L"--conf", L"a b"}, true), expected);

    // Without "-J" as VM options they stay program arguments.
    expected = launcher;
    expected.insert(expected.end(), {L"svc", L"-J-Xmx1g", L"x"});
    EXPECT_EQ(programParameters(launcher, args, {}, false), expected);

    // The first argument is never filtered.
    expected = launcher;
    expected.push_back(L"-J-Xmx1g");
    EXPECT_EQ(programParameters(launcher, {L"-J-Xmx1g", L"-J-x"}, {}, true), expected);
    EXPECT_EQ(programParameters(launcher, {}, {}, true), launcher);
}

TEST(LibraryPath, TwelveThousandCharacterBuffer) {
    // 11999 characters and the NUL fit the buffer whole.
    std::string fits = "c:\\jre\\bin;" + std::string(11999 - 11, 'p');
    ASSERT_EQ(fits.size(), 11999u);
    EXPECT_EQ(fitLibraryPath(fits), fits);
    // One more: cut behind the last ";" within the first 11999 characters.
    std::string over = fits + "q";
    EXPECT_EQ(fitLibraryPath(over), "c:\\jre\\bin");
    // Without any ";" there, the first 11999 characters stay.
    std::string plain(12000, 'x');
    EXPECT_EQ(fitLibraryPath(plain), std::string(11999, 'x'));
    std::string behind = std::string(11999, 'x') + ";y";
    EXPECT_EQ(fitLibraryPath(behind), std::string(11999, 'x'));
}
