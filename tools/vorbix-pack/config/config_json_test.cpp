#include "config/config_json.h"

#include "base/pack_error.h"
#include "config/pack_test_support.h"

namespace {

std::string baseText(ConfigId id) {
    std::string out = "<absent>";
    getString(id, out);
    return out;
}

std::wstring wideText(ConfigId id) {
    auto& wide = configStore().wide;
    auto it = wide.find(id);
    return it == wide.end() ? L"<absent>" : it->second;
}

class ConfigJsonTest : public ScratchDirTest {
protected:
    PackConfig parse(const std::string& json) { return parsePackConfig(json, dir / "app.json"); }

    // The message of the PackError that parsing raises, "" when it parses.
    std::string errorOf(const std::string& json) {
        try {
            parse(json);
        } catch (const PackError& e) {
            EXPECT_EQ(e.exitCode(), kExitBadInput);
            return e.what();
        }
        return "";
    }
};

TEST_F(ConfigJsonTest, EveryEntryFormReachesTheLauncherReaders) {
    write("a.txt", "A");
    write("data/b.bin", "BB");
    PackConfig config = parse(R"({
      "serviceName": "Dienst \u00e9",
      "executableType": 4,
      "clearJavaOptionVariables": true,
      "stopTimeout": 30,
      "serviceAccount": "CORP\\svc-app",
      "failureActions": {"resetSeconds": 86400, "actions": [{"type": "restart", "delayMs": 5000}, {"type": "none"}],
                         "failOnNonZeroExit": true},
      "delayedAutoStart": true,
      "preshutdownTimeout": 120,
      "requireJdk": false,
      "allowBetaJava": 2,
      "splashInt1": -7,
      "launcherFlavour": "e",
      "minJavaVersion": "1.8",
      "serviceDependencies": ["Tcpip", "Dnscache"],
      "nativeLibraryDirectories": ["lib", "${launcher:sys.launcherTempDirectory}\\bin"],
      "classPath": [{"type": "A", "required": true, "value": "lib\\a.jar"}, {"type": "D", "value": "ext"}],
      "modulePath": "S1MODS",
      "jvmSearchSequence": [{"type": "E", "value": "JAVA_HOME"}, {"type": "Y"}],
      "versionOptionSets": [{"condition": "*1.8*", "options": "-Xss1m"}, {"condition": "9-17", "options": "-Xss2m"}],
      "includedFiles": [{"name": "a.txt", "source": "a.txt"}, {"name": "sub\\b.bin", "source": "data/b.bin", "size": 99}],
      "12345": "raw",
      "12346": 5,
      "serviceDescription": "Beschreibung \ud834\udd1e",
      "messages": {"1000": "Title", "1016": "No JVM {0}"},
      "wide": {"30000": "raw wide"},
      "locales": [
        {"prefix": "de", "messages": {"1000": "Titel", "1016": "Kein JVM {0}"}},
        {"prefix": "fr", "messages": {"1000": "Titre"}},
        {"prefix": "de_CH", "messages": {"1000": "Titel CH"}, "serviceDescription": "CH"},
        {"prefix": "", "wide": {"30001": "every locale"}}
      ]
    })");
    loadLikeTheLauncher(config.block, "de_CH");

    EXPECT_EQ(baseText(cfg::kServiceName), "Dienst \xE9");
    std::wstring widened;
    getWideString(cfg::kServiceName, widened);
    EXPECT_EQ(widened, L"Dienst \u00e9");
    EXPECT_EQ(getInt(cfg::kExecutableType), 4);
    EXPECT_EQ(getInt(cfg::kClearJavaOptionVariables), 1);
    EXPECT_EQ(baseText(cfg::kStopTimeout), "30");
    EXPECT_EQ(baseText(cfg::kServiceAccount), "CORP\\svc-app");
    EXPECT_EQ(baseText(cfg::kFailureActions), "86400;R5000;N;F");
    EXPECT_EQ(getInt(cfg::kDelayedAutoStart), 1);
    EXPECT_EQ(baseText(cfg::kPreshutdownTimeout), "120");
    EXPECT_EQ(baseText(cfg::kRequireJdk), "0");
    EXPECT_EQ(getInt(cfg::kAllowBetaJava), 2);
    EXPECT_EQ(getInt(cfg::kSplashInt1), -7);
    EXPECT_EQ(baseText(cfg::kLauncherFlavour), "e");
    EXPECT_EQ(baseText(cfg::kMinJavaVersion), "1.8");
    EXPECT_EQ(baseText(cfg::kServiceDependencies), "Tcpip,Dnscache");
    EXPECT_EQ(baseText(cfg::kNativeLibraryDirectories), "lib;${launcher:sys.launcherTempDirectory}\\bin");
    EXPECT_EQ(baseText(cfg::kClassPath), "A1lib\\a.jar;D0ext");
    EXPECT_EQ(baseText(cfg::kModulePath), "S1MODS");
    EXPECT_EQ(baseText(cfg::kJvmSearchSequence), "EJAVA_HOME;Y");
    EXPECT_EQ(getInt(cfg::kVersionOptionSetCount), 2);
    EXPECT_EQ(baseText(cfg::versionOptionSetCondition(0)), "*1.8*");
    EXPECT_EQ(baseText(cfg::versionOptionSetOptions(0)), "-Xss1m");
    EXPECT_EQ(baseText(cfg::versionOptionSetCondition(1)), "9-17");
    EXPECT_EQ(baseText(cfg::versionOptionSetOptions(1)), "-Xss2m");
    EXPECT_EQ(getInt(cfg::kIncludedFileCount), 2);
    EXPECT_EQ(baseText(cfg::kIncludedFileNames), "a.txt;sub\\b.bin");
    EXPECT_EQ(baseText(12345), "raw");
    EXPECT_EQ(getInt(12346), 5);

    // Locale sections in order: de applies, fr does not, de_CH overrides de,
    // the empty prefix applies everywhere.
    EXPECT_EQ(getMessage(cfg::kMsgErrorTitle), L"Titel CH");
    EXPECT_EQ(getMessage(cfg::kMsgNoJvmFound), L"Kein JVM {0}");
    EXPECT_EQ(wideText(cfg::kServiceDescription), L"CH");
    EXPECT_EQ(wideText(30000), L"raw wide");
    EXPECT_EQ(wideText(30001), L"every locale");

    ASSERT_EQ(config.files.size(), 2u);
    EXPECT_EQ(config.files[0].name, "a.txt");
    EXPECT_EQ(config.files[0].source, dir / "a.txt");
    EXPECT_EQ(config.files[1].name, "sub\\b.bin");
    EXPECT_EQ(config.files[1].source, dir / "data/b.bin");
}

TEST_F(ConfigJsonTest, WideTextsAreUtf16WithSurrogatePairs) {
    loadLikeTheLauncher(parse(R"({"serviceDescription": "x\ud834\udd1e\u00fc", "messages": {"1000": "T"}})").block, "en");
    std::wstring expected = {L'x', wchar_t(0xD834), wchar_t(0xDD1E), wchar_t(0xFC)};
    EXPECT_EQ(wideText(cfg::kServiceDescription), expected);
    // Without a locale section the base texts stay.
    EXPECT_EQ(getMessage(cfg::kMsgErrorTitle), L"T");
}

TEST_F(ConfigJsonTest, RecordsAreSortedByIdWhateverTheKeyOrder) {
    PackConfig a = parse(R"({"mainClass": "M", "serviceName": "S", "500": "r", "messages": {"1016": "b", "1000": "a"}})");
    PackConfig b = parse(R"({"messages": {"1000": "a", "1016": "b"}, "500": "r", "serviceName": "S", "mainClass": "M"})");
    EXPECT_EQ(serializeBlock(a.block), serializeBlock(b.block));
    ASSERT_EQ(a.block.base.size(), 3u);
    EXPECT_EQ(a.block.base[0].first, 101);
    EXPECT_EQ(a.block.base[1].first, 122);
    EXPECT_EQ(a.block.base[2].first, 500);
}

TEST_F(ConfigJsonTest, ValuesAtTheReadersLimitsAreAccepted) {
    std::string message5999 = std::string(5999, 'm');
    PackConfig config = parse("{\"launcherFlavour\": \"e\", \"vmFolder\": \"" + std::string(199, 'v') +
                              "\", \"minJavaVersion\": \"" + std::string(1999, '1') + "\", \"mainClass\": \"" +
                              std::string(5999, 'c') + "\", \"messages\": {\"1000\": \"" + message5999 + "\"}}");
    loadLikeTheLauncher(config.block, "en");
    resetHost();
    char flavour[2];
    EXPECT_FALSE(copyString(cfg::kLauncherFlavour, flavour, sizeof flavour));
    char folder[200];
    EXPECT_FALSE(copyString(cfg::kVmFolder, folder, sizeof folder));
    EXPECT_EQ(getMessage(cfg::kMsgErrorTitle).size(), 5999u);
    EXPECT_TRUE(hostLog().empty());  // no truncation message
}

TEST_F(ConfigJsonTest, MalformedConfigurationsNameTheFileAndTheProblem) {
    std::filesystem::create_directories(dir / "adir");
    const std::string file = (dir / "app.json").string() + ": ";
    const std::string long2000(2000, 'x'), long6000(6000, 'x'), long200(200, 'x');
    std::string clef3000;
    for (int i = 0; i < 3000; ++i) clef3000 += "\\ud834\\udd1e";  // 6000 UTF-16 units
    struct Case {
        const char* label;
        std::string json;
        std::string expected;  // the message after "<file>: "
    };
    const Case cases[] = {
        // JSON syntax, with line and column
        {"trailing comma", "{\n  \"serviceName\": \"x\",\n}", ":3:1: syntax error"},
        {"unterminated", "{\n  \"serviceName\": \"x", ":2:"},
        {"not an object", "[1]", "expected an object at the top level, got array"},
        {"number beyond a double", "{\n  \"executableType\": 1E400}", ":2:21: number overflow parsing '1E400'"},
        {"duplicate key", R"({"serviceName": "a", "serviceName": "b"})", "serviceName: duplicate key"},
        // unknown keys
        {"unknown key", R"({"servicename": "x"})", "servicename: unknown key"},
        {"unknown item key", R"({"classPath": [{"type": "A", "value": "x", "reqired": true}]})",
         "classPath[0].reqired: unknown key"},
        {"unknown locale key", R"({"locales": [{"prefix": "de", "message": {}}]})", "locales[0].message: unknown key"},
        {"not a message id", R"({"messages": {"1001": "x"}})", "messages.1001: not a message id"},
        {"id not numeric", R"({"wide": {"abc": "x"}})", "wide.abc: expected a numeric id"},
        // wrong types
        {"text as number", R"({"serviceName": 5})", "serviceName: expected a string, got number"},
        {"number as text", R"({"executableType": "4"})", "executableType: expected an integer, got string"},
        {"number as boolean", R"({"executableType": true})", "executableType: expected an integer, got boolean"},
        {"fraction", R"({"executableType": 1.5})", "executableType: expected an integer, got number"},
        {"unknown architecture", R"({"architecture": "arm64"})", "architecture: expected \"x86\" or \"x64\", got \"arm64\""},
        {"architecture as number", R"({"architecture": 64})", "architecture: expected \"x86\" or \"x64\", got number"},
        {"switch as text", R"({"requireJdk": "yes"})", "requireJdk: expected an integer or a boolean, got string"},
        {"out of range", R"({"executableType": 4294967296})", "executableType: out of range"},
        {"negative stop timeout", R"({"stopTimeout": -1})", "stopTimeout: must not be negative"},
        {"stop timeout as text", R"({"stopTimeout": "5"})", "stopTimeout: expected an integer, got string"},
        {"stop timeout as boolean", R"({"stopTimeout": true})", "stopTimeout: expected an integer, got boolean"},
        {"stop timeout fraction", R"({"stopTimeout": 2.5})", "stopTimeout: expected an integer, got number"},
        {"stop timeout too large", R"({"stopTimeout": 2147483648})", "stopTimeout: out of range"},
        {"negative output log size", R"({"serviceOutputLogSize": -1})", "serviceOutputLogSize: must not be negative"},
        {"output log count as text", R"({"serviceOutputLogKeep": "5"})", "serviceOutputLogKeep: expected an integer, got string"},
        // service settings
        {"unknown account kind", R"({"serviceAccount": "Administrator"})",
         "serviceAccount: expected \"LocalSystem\", \"LocalService\", \"NetworkService\", \"virtual\" or a user "
         "\"DOMAIN\\user\" (\".\\user\" on the machine itself), got \"Administrator\""},
        {"system domain account", R"({"serviceAccount": "NT AUTHORITY\\LocalService"})", "serviceAccount: expected"},
        {"actions without reset", R"({"failureActions": {"actions": [{"type": "none"}]}})",
         "failureActions: missing \"resetSeconds\""},
        {"no action", R"({"failureActions": {"resetSeconds": 1, "actions": []}})",
         "failureActions.actions: expected at least one action"},
        {"four actions",
         R"({"failureActions": {"resetSeconds": 1, "actions": [{"type": "none"}, {"type": "none"}, {"type": "none"},
            {"type": "none"}]}})",
         "failureActions.actions: at most 3 actions (the first, the second and every later failure), got 4"},
        {"negative delay",
         R"({"failureActions": {"resetSeconds": 1, "actions": [{"type": "none"}, {"type": "restart", "delayMs": -5}]}})",
         "failureActions.actions[1].delayMs: must not be negative (milliseconds)"},
        {"reset too large", R"({"failureActions": {"resetSeconds": 2147483648, "actions": [{"type": "none"}]}})",
         "failureActions.resetSeconds: out of range (at most 2147483647)"},
        {"restart without delay", R"({"failureActions": {"resetSeconds": 1, "actions": [{"type": "restart"}]}})",
         "failureActions.actions[0]: missing \"delayMs\""},
        {"delay of no action", R"({"failureActions": {"resetSeconds": 1, "actions": [{"type": "none", "delayMs": 5}]}})",
         "failureActions.actions[0].delayMs: only a restart has a delay"},
        {"unknown action", R"({"failureActions": {"resetSeconds": 1, "actions": [{"type": "reboot"}]}})",
         "failureActions.actions[0].type: expected one of restart, none, got \"reboot\""},
        {"list as object", R"({"classPath": {}})", "classPath: expected an array"},
        {"bad type letter", R"({"classPath": [{"type": "X", "value": "x"}]})",
         "classPath[0].type: expected one of A, D, E, S, got \"X\""},
        {"bad search letter", R"({"jvmSearchSequence": [{"type": "D"}]})",
         "jvmSearchSequence[0].type: expected one of A, B, R, E, S, I, Y"},
        {"missing value", R"({"classPath": [{"type": "A"}]})", "classPath[0]: missing \"value\""},
        {"required as text", R"({"modulePath": [{"type": "A", "required": "1", "value": "x"}]})",
         "modulePath[0].required: expected a boolean, got string"},
        {"messages as array", R"({"messages": ["x"]})", "messages: expected an object"},
        {"message as number", R"({"messages": {"1000": 1}})", "messages.1000: expected a string, got number"},
        {"locale without prefix", R"({"locales": [{"messages": {}}]})", "locales[0]: missing \"prefix\""},
        {"set without options", R"({"versionOptionSets": [{"condition": "*"}]})",
         "versionOptionSets[0]: missing \"options\""},
        {"raw id as object", R"({"500": {}})", "500: expected a string or an integer, got object"},
        // longer than the launcher's reader takes
        {"flavour", R"({"launcherFlavour": "ee"})", "launcherFlavour: too long: 2 characters, the launcher reads at most 1"},
        {"raw flavour", R"({"2001": "ee"})", "2001: too long: 2 characters"},
        {"min version", "{\"minJavaVersion\": \"" + long2000 + "\"}", "minJavaVersion: too long: 2000 characters, the launcher reads at most 1999"},
        {"vm folder", "{\"vmFolder\": \"" + long200 + "\"}", "vmFolder: too long: 200 characters, the launcher reads at most 199"},
        {"main class", "{\"mainClass\": \"" + long6000 + "\"}", "mainClass: too long: 6000 characters, the launcher reads at most 5999"},
        {"search sequence", "{\"jvmSearchSequence\": [{\"type\": \"A\", \"value\": \"" + long6000 + "\"}]}",
         "jvmSearchSequence: too long: 6001 characters"},
        {"service name", "{\"serviceName\": \"" + long6000 + "\"}", "serviceName: too long"},
        {"set options", "{\"versionOptionSets\": [{\"condition\": \"*\", \"options\": \"" + long6000 + "\"}]}",
         "versionOptionSets[0].options: too long"},
        {"message", "{\"messages\": {\"1000\": \"" + long6000 + "\"}}", "messages.1000: too long: 6000 characters, the launcher reads at most 5999"},
        {"message in UTF-16 units", "{\"locales\": [{\"prefix\": \"de\", \"messages\": {\"1000\": \"" + clef3000 + "\"}}]}",
         "locales[0].messages.1000: too long: 6000 characters"},
        // included files
        {"missing file", R"({"includedFiles": [{"name": "a.txt", "source": "nope.txt"}]})",
         "includedFiles[0].source: file not found: " + (dir / "nope.txt").string()},
        {"directory as file", R"({"includedFiles": [{"name": "a", "source": "adir"}]})",
         "includedFiles[0].source: not a regular file"},
        {"file without source", R"({"includedFiles": [{"name": "a"}]})", "includedFiles[0]: missing \"source\""},
        {"forward slash", R"({"includedFiles": [{"name": "d/a", "source": "x"}]})", "includedFiles[0].name: use a backslash"},
        {"two levels", R"({"includedFiles": [{"name": "d\\e\\a", "source": "x"}]})",
         "includedFiles[0].name: at most one directory level"},
        {"parent", R"({"includedFiles": [{"name": "..\\a", "source": "x"}]})", "includedFiles[0].name: must stay inside the launcher temp directory"},
        {"separator in name", R"({"includedFiles": [{"name": "a;b", "source": "x"}]})", "includedFiles[0].name: must not contain \";\""},
        {"raw file count", R"({"2002": 1})", "2002: included files are given under \"includedFiles\""},
        // 8-bit texts
        {"non-Latin-1 name", R"({"serviceName": "\u4e2d"})", "serviceName: character U+4E2D is outside Latin-1"},
        {"non-Latin-1 item", R"({"classPath": [{"type": "A", "value": "\u20ac.jar"}]})",
         "classPath[0].value: character U+20AC is outside Latin-1"},
        {"non-Latin-1 prefix", R"({"locales": [{"prefix": "\u0440\u0443"}]})", "locales[0].prefix: character U+0440"},
        {"NUL", R"({"mainClass": "a\u0000b"})", "mainClass: contains a NUL character"},
        // list separators inside items
        {"separator in value", R"({"classPath": [{"type": "A", "value": "a;b"}]})",
         "classPath[0].value: must not contain \";\""},
        {"comma in dependency", R"({"serviceDependencies": ["a,b"]})", "serviceDependencies[0]: must not contain \",\""},
        // one entry from two keys
        {"raw and named", R"({"serviceName": "a", "101": "b"})", "101: entry 101 is also given by serviceName"},
        {"count and raw", R"({"versionOptionSets": [], "10200": 3})", "10200: entry 10200 is also given by versionOptionSets"},
        {"message twice", R"({"messages": {"1000": "a"}, "wide": {"1000": "b"}})",
         "wide.1000: wide entry 1000 is also given by messages.1000"},
        {"description twice", R"({"serviceDescription": "a", "wide": {"20017": "b"}})",
         "wide.20017: wide entry 20017 is also given by serviceDescription"},
    };
    write("x", "x");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string error = errorOf(c.json);
        ASSERT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        bool locatedSyntax = c.expected[0] == ':';
        std::string prefix = locatedSyntax ? (dir / "app.json").string() : file;
        EXPECT_EQ(error.rfind(prefix + c.expected, 0), 0u) << error;
    }
}

TEST_F(ConfigJsonTest, LoadingNamesAMissingConfigFile) {
    try {
        loadPackConfig(dir / "absent.json");
        FAIL() << "no error";
    } catch (const PackError& e) {
        EXPECT_EQ(std::string(e.what()), (dir / "absent.json").string() + ": cannot read: No such file or directory");
        EXPECT_EQ(e.exitCode(), kExitBadInput);
    }
    std::filesystem::create_directories(dir / "adir.json");
    try {
        loadPackConfig(dir / "adir.json");
        FAIL() << "no error";
    } catch (const PackError& e) {
        EXPECT_EQ(std::string(e.what()), (dir / "adir.json").string() + ": cannot read: is a directory");
        EXPECT_EQ(e.exitCode(), kExitBadInput);
    }
}

TEST_F(ConfigJsonTest, SourcesAreRelativeToTheConfigFile) {
    write("conf/files/x.bin", "x");
    write("conf/app.json", R"({"includedFiles": [{"name": "x.bin", "source": "files/x.bin"}]})");
    PackConfig config = loadPackConfig(dir / "conf/app.json");
    ASSERT_EQ(config.files.size(), 1u);
    EXPECT_EQ(config.files[0].source, dir / "conf/files/x.bin");
}

}  // namespace
