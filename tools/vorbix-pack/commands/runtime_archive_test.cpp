#include <sstream>

#include "base/pack_error.h"
#include "commands/inspect.h"
#include "commands/pack_build.h"
#include "config/config_json.h"
#include "config/pack_test_support.h"

namespace {

class RuntimeArchiveTest : public ScratchDirTest {
protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        std::vector<uint8_t> stub = stubImage();
        stubPath = write("stub.exe", std::string(stub.begin(), stub.end()));
        // The tool's directory as the build lays it out: the archive below java/.
        tools = dir / "tools";
        write("tools/java/vorbix-runtime.jar", "PK default runtime");
        write("other.jar", "PK other runtime");
        write("a.txt", "A");
    }

    PackConfig prepared(const std::string& json) {
        PackConfig config = parsePackConfig(json, dir / "app.json");
        includeRuntimeArchive(config, tools);
        return config;
    }

    std::string errorOf(const std::string& json) {
        try {
            prepared(json);
        } catch (const PackError& e) {
            EXPECT_EQ(e.exitCode(), kExitBadInput);
            return e.what();
        }
        return "";
    }

    // Entries 2002 and 2003 as the launcher reads them.
    std::pair<std::string, std::string> fileEntries(const PackConfig& config) {
        loadLikeTheLauncher(config.block, "en");
        std::string count = "<absent>", names = "<absent>";
        getString(cfg::kIncludedFileCount, count);
        getString(cfg::kIncludedFileNames, names);
        return {count, names};
    }

    std::filesystem::path stubPath, tools;
};

TEST_F(RuntimeArchiveTest, FlavourEGetsTheArchiveAsTheLastIncludedFile) {
    PackConfig config = prepared(R"({"launcherFlavour": "e", "includedFiles": [{"name": "a.txt", "source": "a.txt"}]})");
    ASSERT_EQ(config.files.size(), 2u);
    EXPECT_EQ(config.files[1].name, "vorbix-runtime.jar");
    EXPECT_EQ(config.files[1].source, dir / "tools/java/vorbix-runtime.jar");
    EXPECT_EQ(fileEntries(config), std::make_pair(std::string("2"), std::string("a.txt;vorbix-runtime.jar")));

    // Without other files the archive is the only one; the raw flavour entry counts as well.
    config = prepared(R"({"2001": "e"})");
    ASSERT_EQ(config.files.size(), 1u);
    EXPECT_EQ(fileEntries(config), std::make_pair(std::string("1"), std::string("vorbix-runtime.jar")));
    EXPECT_EQ(prepared(R"({"launcherFlavour": "e", "runtimeArchive": true})").files.size(), 1u);
}

TEST_F(RuntimeArchiveTest, OffOrOtherFlavoursLeaveTheFilesAsGiven) {
    for (const char* json : {R"({"launcherFlavour": "e", "runtimeArchive": false})", R"({"launcherFlavour": "i"})",
                             R"({"serviceName": "svc"})", R"({"launcherFlavour": ""})"}) {
        SCOPED_TRACE(json);
        PackConfig config = prepared(json);
        EXPECT_TRUE(config.files.empty());
        EXPECT_EQ(fileEntries(config), std::make_pair(std::string("<absent>"), std::string("<absent>")));
    }
    // The default archive is only looked for when it is needed.
    tools = dir / "nowhere";
    EXPECT_EQ(errorOf(R"({"launcherFlavour": "i"})"), "");
}

TEST_F(RuntimeArchiveTest, ArchiveBesideTheToolOrGivenPathWins) {
    write("tools/vorbix-runtime.jar", "PK beside");
    EXPECT_EQ(defaultRuntimeArchivePath(tools), dir / "tools/vorbix-runtime.jar");
    PackConfig config = prepared(R"({"launcherFlavour": "e", "runtimeArchive": "other.jar"})");
    ASSERT_EQ(config.files.size(), 1u);
    EXPECT_EQ(config.files[0].name, "vorbix-runtime.jar");
    EXPECT_EQ(config.files[0].source, dir / "other.jar");
}

TEST_F(RuntimeArchiveTest, UnusableChoicesAreNamedErrors) {
    const std::string app = (dir / "app.json").string() + ": ";
    EXPECT_EQ(errorOf(R"({"launcherFlavour": "e", "runtimeArchive": "gone.jar"})"),
              app + "runtimeArchive: file not found: " + (dir / "gone.jar").string());
    EXPECT_EQ(errorOf(R"({"launcherFlavour": "e", "runtimeArchive": ""})"), app + "runtimeArchive: empty path");
    EXPECT_EQ(errorOf(R"({"launcherFlavour": "e", "runtimeArchive": 1})"),
              app + "runtimeArchive: expected a boolean or the path of an archive, got number");
    EXPECT_EQ(errorOf(R"({"launcherFlavour": "i", "runtimeArchive": "other.jar"})"),
              app + "runtimeArchive: only a launcher of flavour \"e\" (launcherFlavour) takes the runtime archive");
    // Two files of one name would overwrite each other in the launcher temp directory.
    EXPECT_EQ(errorOf(R"({"launcherFlavour": "e", "includedFiles": [{"name": "Vorbix-Runtime.JAR", "source": "a.txt"}]})"),
              app + "includedFiles[0].name: \"Vorbix-Runtime.JAR\" is the runtime archive's name; to include it "
                    "yourself set \"runtimeArchive\": false");
    tools = dir / "nowhere";
    std::string missing = errorOf(R"({"launcherFlavour": "e"})");
    EXPECT_EQ(missing.rfind("no runtime archive found (looked for " + (dir / "nowhere/vorbix-runtime.jar").string(), 0),
              0u)
        << missing;
}

TEST_F(RuntimeArchiveTest, InspectedLauncherBuildsTheSameBytesWithoutASecondArchive) {
    write("in/app.json", R"({"serviceName": "svc", "launcherFlavour": "e",
        "includedFiles": [{"name": "a.txt", "source": "../a.txt"}]})");
    buildLauncher(dir / "in/app.json", dir / "first.exe", stubPath, tools);

    InspectRequest request;
    request.exe = dir / "first.exe";
    request.extractDirectory = dir / "out/files";
    request.output = dir / "out/app.json";
    std::ostringstream out, err;
    inspectLauncher(request, out, err);
    EXPECT_EQ(read(dir / "out/files/vorbix-runtime.jar"), "PK default runtime");
    std::string json = read(dir / "out/app.json");
    EXPECT_NE(json.find("\"runtimeArchive\": false"), std::string::npos) << json;

    // Another default archive by now must not change the rebuilt launcher.
    write("tools/java/vorbix-runtime.jar", "PK newer runtime");
    buildLauncher(dir / "out/app.json", dir / "second.exe", stubPath, tools);
    EXPECT_EQ(read(dir / "second.exe"), read(dir / "first.exe"));
}

}  // namespace
