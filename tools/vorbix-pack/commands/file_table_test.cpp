#include "config/file_table.h"

#include <random>

#include "base/file_source.h"
#include "base/pack_error.h"
#include "commands/inspect.h"
#include "commands/pack_build.h"
#include "config/config_json.h"
#include "config/pack_test_support.h"

namespace {

// The record as the launcher expects it, built independently of the writer.
std::string record(const std::string& content) {
    std::string out;
    uint64_t size = content.size();
    for (int i = 0; i < 8; ++i) out += static_cast<char>(size >> (8 * i) & 0xFF);
    for (char c : content) out += static_cast<char>(static_cast<uint8_t>(c) ^ 0x88);
    return out;
}

std::string randomBytes(size_t size) {
    std::mt19937 generator(7);
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>(generator());
    return out;
}

std::string asString(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

using FileTableTest = ScratchDirTest;

TEST_F(FileTableTest, RecordsFollowTheListWithSizesAndMaskedContent) {
    // Larger than the copy chunk and not a multiple of 8: the tail is masked too.
    const std::string big = randomBytes((1 << 20) + 13);
    std::vector<IncludedFile> files = {
        {"a.txt", write("a.txt", "abc")},
        {"empty", write("empty", "")},
        {"sub\\big.bin", write("big.bin", big)},
        {"again.txt", write("a.txt", "abc")},
    };
    FilePtr out(std::tmpfile());
    writeFileTable(out.get(), files, "out");
    std::rewind(out.get());
    std::string written;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, out.get())) > 0;) written.append(buffer, n);
    EXPECT_EQ(written, record("abc") + record("") + record(big) + record("abc"));
}

TEST_F(FileTableTest, CopyBytesStopsAtTheEndOfItsInput) {
    FilePtr in(std::tmpfile());
    std::fputs("12345", in.get());
    std::rewind(in.get());
    FilePtr out(std::tmpfile());
    EXPECT_EQ(copyBytes(in.get(), out.get(), 100, false, "out"), 5);
}

class BuildLauncherTest : public ScratchDirTest {
protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        // An earlier block behind the last section must go.
        std::vector<uint8_t> stub = stubImage();
        std::string tail = "OLD BLOCK";
        stub.insert(stub.end(), tail.begin(), tail.end());
        stubPath = write("stub.exe", asString(stub));
        write("payload.bin", "payload");
        configPath = write("app.json", R"({"serviceName": "svc", "messages": {"1000": "T"},
            "includedFiles": [{"name": "p.bin", "source": "payload.bin"}]})");
    }
    std::filesystem::path stubPath, configPath;
};

TEST_F(BuildLauncherTest, OutputIsStubUpToItsLastSectionThenBlockThenFileTable) {
    buildLauncher(configPath, dir / "out.exe", stubPath, dir);
    std::string out = read(dir / "out.exe");
    std::string block = asString(serializeBlock(loadPackConfig(configPath).block));
    EXPECT_EQ(out, asString(stubImage()) + block + record("payload"));

    // The launcher's own readers find the block and, at the payload
    // position, the first record of the file table.
    std::vector<uint8_t> image(out.begin(), out.end());
    loadLikeTheLauncher(image, "en");
    std::string name;
    getString(cfg::kServiceName, name);
    EXPECT_EQ(name, "svc");
    EXPECT_EQ(payloadPosition(), static_cast<int32_t>(0x600 + block.size()));
    MemoryByteSource table(image.data(), image.size());
    table.seek(payloadPosition());
    EXPECT_EQ(readLong(table), 7);
}

TEST_F(BuildLauncherTest, FailedBuildsLeaveNoOutputAndKeepAnOldOne) {
    write("out.exe", "previous");
    write("broken.json", R"({"includedFiles": [{"name": "p.bin", "source": "gone.bin"}]})");
    write("notpe.exe", "MZ but nothing else");
    std::vector<uint8_t> shortStub = makePe({{0x400, 0x200}});  // ends before its section's data
    write("short.exe", asString(shortStub));
    const auto before = listing();
    struct Case {
        std::filesystem::path config, stub;
        std::string expected;
    };
    const Case cases[] = {
        {dir / "broken.json", stubPath, "includedFiles[0].source: file not found"},
        {configPath, dir / "notpe.exe", "notpe.exe: "},
        {configPath, dir / "short.exe", "short.exe: its last section ends at 1536, behind the end of the file"},
        {configPath, dir / "nostub.exe", "nostub.exe: cannot open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        try {
            buildLauncher(c.config, dir / "out.exe", c.stub, dir);
            ADD_FAILURE() << "no error";
        } catch (const PackError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
            EXPECT_EQ(e.exitCode(), kExitBadInput);
        }
        EXPECT_EQ(listing(), before);
        EXPECT_EQ(read(dir / "out.exe"), "previous");
    }
}

// A stub of the given machine.
std::string stubOf(uint16_t machine) {
    std::vector<uint8_t> image = stubImage();
    image[0x84] = static_cast<uint8_t>(machine);  // the file header's machine, behind "PE\0\0" at 0x80
    image[0x85] = static_cast<uint8_t>(machine >> 8);
    return asString(image);
}

TEST_F(BuildLauncherTest, DefaultStubIsBesideTheToolElseInTheCrossBuild) {
    write("tree/win32/launcher.exe", stubOf(0x14C));
    write("tree/win64/launcher.exe", stubOf(0x8664));
    std::filesystem::create_directories(dir / "tree/native");
    EXPECT_EQ(defaultStubPath(dir / "tree/native", "x86"), dir / "tree/win32/launcher.exe");
    EXPECT_EQ(defaultStubPath(dir / "tree/native", "x64"), dir / "tree/win64/launcher.exe");
    // The Windows tool lies in the 64-bit cross build, beside the 64-bit launcher.exe.
    EXPECT_EQ(defaultStubPath(dir / "tree/win64", "x86"), dir / "tree/win32/launcher.exe");
    EXPECT_EQ(defaultStubPath(dir / "tree/win64", "x64"), dir / "tree/win64/launcher.exe");
    write("tree/native/launcher.exe", stubOf(0x14C));
    write("tree/native/launcher64.exe", stubOf(0x8664));
    EXPECT_EQ(defaultStubPath(dir / "tree/native", "x86"), dir / "tree/native/launcher.exe");
    EXPECT_EQ(defaultStubPath(dir / "tree/native", "x64"), dir / "tree/native/launcher64.exe");
    write("tree/native/launcher.exe", "not a launcher");
    EXPECT_EQ(defaultStubPath(dir / "tree/native", "x86"), dir / "tree/win32/launcher.exe");
    EXPECT_THROW(defaultStubPath(dir / "elsewhere"), PackError);
}

// The architecture key picks the stub when none is given, and a given stub
// must be of that architecture; inspect names the architecture, so the round
// trip packs onto the same launcher.
TEST_F(BuildLauncherTest, ArchitecturePicksAndChecksTheStub) {
    write("tools/launcher.exe", stubOf(0x14C));
    write("tools/launcher64.exe", stubOf(0x8664));
    write("x86.json", R"({"architecture": "x86", "serviceName": "s"})");
    write("x64.json", R"({"architecture": "x64", "serviceName": "s"})");
    write("none.json", R"({"serviceName": "s"})");
    struct Case {
        const char* config;
        const char* stub;      // "" for the default
        bool refused;
        const char* expected;  // the architecture inspect reports, or a part of the error
    } cases[] = {
        {"x64.json", "", false, "x64"},
        {"x86.json", "", false, "x86"},
        {"none.json", "", false, "x64"},
        {"none.json", "tools/launcher.exe", false, "x86"},
        {"x64.json", "tools/launcher.exe", true, "launcher.exe: an x86 launcher, but "},
        {"x86.json", "tools/launcher64.exe", true, "launcher64.exe: an x64 launcher, but "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.config) + " " + c.stub);
        std::filesystem::remove(dir / "out.exe");
        std::filesystem::path stub = *c.stub ? dir / c.stub : std::filesystem::path();
        try {
            BuiltLauncher built = buildLauncher(dir / c.config, dir / "out.exe", stub, dir / "tools");
            EXPECT_FALSE(c.refused);
            EXPECT_EQ(built.architecture, c.expected);
        } catch (const PackError& e) {
            EXPECT_TRUE(c.refused) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
            EXPECT_EQ(e.exitCode(), kExitBadInput);
            EXPECT_FALSE(std::filesystem::exists(dir / "out.exe"));
            continue;
        }
        std::string text = read(dir / "out.exe");
        std::vector<uint8_t> built(text.begin(), text.end());
        MemoryByteSource source(built.data(), built.size());
        auto json = contentsToJson(readLauncherContents(source, "out.exe"), {});
        EXPECT_EQ(json["architecture"], c.expected);
        write("again.json", json.dump());
        buildLauncher(dir / "again.json", dir / "again.exe", {}, dir / "tools");
        EXPECT_EQ(read(dir / "again.exe"), read(dir / "out.exe"));
    }
}

}  // namespace
