#include "commands/inspect.h"

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "base/pack_error.h"
#include "commands/pack_build.h"
#include "config/config_json.h"
#include "config/config_keys.h"
#include "config/pack_test_support.h"

namespace {

class InspectTest : public ScratchDirTest {
protected:
    std::vector<uint8_t> imageOf(const ConfigBlock& block, const std::string& table = "") {
        auto image = withBlockAt(stubImage(), 0x600, serializeBlock(block));
        image.insert(image.end(), table.begin(), table.end());
        return image;
    }

    std::string errorOf(const std::vector<uint8_t>& image) {
        MemoryByteSource source(image.data(), image.size());
        try {
            readLauncherContents(source, "x.exe");
        } catch (const PackError& e) {
            return e.what();
        }
        return "";
    }
};

TEST_F(InspectTest, JsonOfABlockBuildsTheSameBlock) {
    write("f.bin", "12345");
    // Named keys, structured lists, and values only the raw forms can hold.
    PackConfig config = parsePackConfig(R"({
      "serviceName": "S\u00e9", "requireJdk": true, "allowBetaJava": 3, "singleInstance": false,
      "serviceDependencies": ["a", "", "b"], "nativeLibraryDirectories": [],
      "classPath": [{"type": "A", "required": true, "value": "x.jar"}, {"type": "E", "value": ""}],
      "modulePath": "A1x;Zy", "jvmSearchSequence": "Q",
      "versionOptionSets": [{"condition": "*", "options": "-Xss1m"}],
      "includedFiles": [{"name": "f.bin", "source": "f.bin"}],
      "107": 5, "122": "M", "134": " 1", "10300": "raw", "stopTimeout": 0,
      "serviceAccount": ".\\app", "delayedAutoStart": false, "preshutdownTimeout": 90,
      "failureActions": {"resetSeconds": 0, "actions": [{"type": "restart", "delayMs": 0}, {"type": "none"}]},
      "serviceDescription": "D", "messages": {"1000": "T"}, "wide": {"40000": "W"},
      "locales": [{"prefix": "de", "serviceDescription": "DD", "messages": {"1000": "TT"}, "wide": {"40000": "WW"}},
                  {"prefix": "de"}]
    })", dir / "app.json");
    std::string table = std::string("\x05\0\0\0\0\0\0\0", 8) + "abcde";
    auto image = imageOf(config.block, table);
    MemoryByteSource source(image.data(), image.size());
    LauncherContents contents = readLauncherContents(source, "x.exe");
    ASSERT_EQ(contents.files.size(), 1u);
    EXPECT_EQ(contents.files[0].name, "f.bin");
    EXPECT_EQ(contents.files[0].size, 5);
    EXPECT_EQ(contents.files[0].offset, static_cast<int64_t>(image.size() - 5));
    EXPECT_TRUE(contents.warnings.empty());

    auto json = contentsToJson(contents, {"f.bin"});
    EXPECT_EQ(json["executableType"], 5);
    EXPECT_EQ(json["requireJdk"], true);
    EXPECT_EQ(json["134"], " 1");  // not canonical decimal: stays raw
    EXPECT_EQ(json["stopTimeout"], 0);
    EXPECT_EQ(json["serviceAccount"], ".\\app");
    EXPECT_EQ(json["failureActions"]["actions"][0]["delayMs"], 0);
    EXPECT_EQ(json["failureActions"]["failOnNonZeroExit"], false);  // absent in, explicit out: the same entry
    EXPECT_EQ(json["modulePath"], "A1x;Zy");
    EXPECT_EQ(json["includedFiles"][0]["size"], 5);
    PackConfig again = parsePackConfig(json.dump(), dir / "again.json");
    EXPECT_EQ(serializeBlock(again.block), serializeBlock(config.block));
}

TEST_F(InspectTest, UnreadableLaunchersAreNamedErrors) {
    ConfigBlock block;
    block.base = {{101, "svc"}, {2002, "1"}, {2003, "f.bin"}};
    auto full = imageOf(block, std::string("\x09\0\0\0\0\0\0\0", 8) + "abc");
    auto cut = imageOf(block);
    cut.resize(cut.size() - 4);
    std::vector<uint8_t> notExe(0x700, 0);
    EXPECT_EQ(errorOf(stubImage()), "x.exe: no configuration block behind the last section (a bare launcher?)");
    EXPECT_EQ(errorOf(notExe), "x.exe: not a Windows executable");
    EXPECT_EQ(errorOf(cut).rfind("x.exe: damaged configuration block", 0), 0u) << errorOf(cut);
    EXPECT_EQ(errorOf(full), "x.exe: the file table ends inside included file f.bin");
}

TEST_F(InspectTest, ExtractionStaysInsideItsDirectory) {
    EXPECT_EQ(extractionPath(dir, "sub\\f.bin"), dir / "sub" / "f.bin");
    for (const char* name : {"..\\x", "a\\..\\..\\x", "C:\\x", "\\x", "a\\\\b", "a/../../b"}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(extractionPath(dir, name), PackError);
    }
}

TEST_F(InspectTest, ExtractThenBuildGivesTheSameLauncher) {
    const std::string binary("\0\x88\xff\x01 bytes", 10);
    write("in/lib/native.dll", binary);
    write("in/readme.txt", "hello");
    write("in/empty.txt", "");
    // Every form of key beside the files: text, number, switch, the three
    // list forms, option sets, raw ids, wide texts and locale sections.
    write("in/app.json", R"({"serviceName": "svc", "executableType": 4, "requireJdk": true, "singleInstance": 0,
      "serviceDependencies": ["Tcpip", "Dnscache"], "classPath": [{"type": "A", "required": true, "value": "a.jar"}],
      "jvmSearchSequence": [{"type": "R", "value": "jre"}, {"type": "Y"}],
      "versionOptionSets": [{"condition": "9-99", "options": "--add-opens a=b"}],
      "10300": "raw", "10301": 7, "serviceDescription": "D\u00e9", "messages": {"1000": "T \ud834\udd1e"},
      "wide": {"40000": "W"}, "locales": [{"prefix": "de", "messages": {"1000": "TT"}}, {"prefix": ""}],
      "includedFiles": [
        {"name": "bin\\native.dll", "source": "lib/native.dll"},
        {"name": "readme.txt", "source": "readme.txt"},
        {"name": "empty.txt", "source": "empty.txt"}]})");
    std::vector<uint8_t> stub = stubImage();
    write("stub.exe", std::string(stub.begin(), stub.end()));
    buildLauncher(dir / "in/app.json", dir / "first.exe", dir / "stub.exe", dir);

    InspectRequest request;
    request.exe = dir / "first.exe";
    request.extractDirectory = dir / "out/files";
    request.output = dir / "out/app.json";
    std::ostringstream out, err;
    inspectLauncher(request, out, err);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(read(dir / "out/files/bin/native.dll"), binary);
    EXPECT_EQ(read(dir / "out/files/readme.txt"), "hello");
    EXPECT_TRUE(std::filesystem::exists(dir / "out/files/empty.txt"));
    EXPECT_NE(read(dir / "out/app.json").find("\"source\": \"files/bin/native.dll\""), std::string::npos);

    buildLauncher(dir / "out/app.json", dir / "second.exe", dir / "stub.exe", dir);
    EXPECT_EQ(read(dir / "second.exe"), read(dir / "first.exe"));
    // And once more from the second build's own inspection.
    request.exe = dir / "second.exe";
    request.extractDirectory = dir / "out2/files";
    request.output = dir / "out2/app.json";
    inspectLauncher(request, out, err);
    EXPECT_EQ(read(dir / "out2/app.json"), read(dir / "out/app.json"));
    buildLauncher(dir / "out2/app.json", dir / "third.exe", dir / "stub.exe", dir);
    EXPECT_EQ(read(dir / "third.exe"), read(dir / "first.exe"));
}

TEST_F(InspectTest, ValuesBuildWouldRefuseStayRaw) {
    struct Case {
        const char* id;
        const char* raw;
        const char* key;
    };
    const Case cases[] = {
        {"30001", "-3", "stopTimeout"},        {"30001", "5s", "stopTimeout"},
        {"30101", "Bob", "serviceAccount"},    {"30101", "NT SERVICE\\\\x", "serviceAccount"},
        {"30102", "1;X", "failureActions"},    {"30102", "01;N", "failureActions"},
        {"30102", "1;N;N;N;N", "failureActions"}, {"30104", "-60", "preshutdownTimeout"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        PackConfig config =
            parsePackConfig(std::string("{\"") + c.id + "\": \"" + c.raw + "\"}", dir / "app.json");
        auto image = imageOf(config.block);
        MemoryByteSource source(image.data(), image.size());
        auto json = contentsToJson(readLauncherContents(source, "x.exe"), {});
        EXPECT_FALSE(json.contains(c.key));
        EXPECT_EQ(json[c.id], config.block.base[0].second);
        PackConfig again = parsePackConfig(json.dump(), dir / "again.json");
        EXPECT_EQ(serializeBlock(again.block), serializeBlock(config.block));
    }
}

// The reference table lists every key with its id.
TEST(ConfigurationDocs, ReferenceTableListsEveryKey) {
    std::ifstream in(std::string(VBX_SOURCE_DIR) + "/docs/configuration.md");
    ASSERT_TRUE(in) << "docs/configuration.md";
    std::vector<std::string> rows;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("| `", 0) == 0) rows.push_back(line);
    auto rowOf = [&](const std::string& name) -> std::string {
        for (const std::string& row : rows)
            if (row.rfind("| `" + name + "` |", 0) == 0) return row;
        return "";
    };
    for (const ConfigKey& key : configKeys()) {
        std::string row = rowOf(key.name);
        EXPECT_NE(row.find("| " + std::to_string(key.id) + " |"), std::string::npos) << key.name << ": " << row;
    }
    for (const std::string& name : toolKeys()) EXPECT_FALSE(rowOf(name).empty()) << name;
}

// The schema that editors check configurations with knows exactly the keys
// that build takes: a key added to the tool without the schema fails here.
TEST(ConfigurationSchema, HasEveryKeyTheToolTakesAndNoOther) {
    std::ifstream in(std::string(VBX_SOURCE_DIR) + "/docs/vorbix-pack.schema.json");
    ASSERT_TRUE(in) << "docs/vorbix-pack.schema.json";
    nlohmann::json schema = nlohmann::json::parse(in);
    std::set<std::string> expected(toolKeys().begin(), toolKeys().end()), listed;
    for (const ConfigKey& key : configKeys()) expected.insert(key.name);
    for (const auto& [name, property] : schema["properties"].items()) listed.insert(name);
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(schema["additionalProperties"], false);
    // Raw ids and the message ids, by their patterns.
    ASSERT_EQ(schema["patternProperties"].size(), 1u);
    EXPECT_TRUE(std::regex_match("-10500", std::regex(schema["patternProperties"].begin().key())));
    std::regex messages(schema["definitions"]["messages"]["patternProperties"].begin().key());
    for (ConfigId id : messageIds()) EXPECT_TRUE(std::regex_match(std::to_string(id), messages)) << id;
    EXPECT_FALSE(std::regex_match("1001", messages));
}

}  // namespace
