#include "image/app_resources.h"

#include "base/pack_error.h"
#include "base/tool_version.h"
#include "commands/inspect.h"
#include "commands/pack_build.h"
#include "config/config_json.h"
#include "config/pack_test_support.h"

#include <algorithm>
#include <cstring>

namespace {

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

struct StubSection {
    const char* name;
    uint32_t address;
    std::vector<uint8_t> data;  // 0x200 bytes of file space each
};

// A PE32 (0x10B) or PE32+ (0x20B) image laid out as the linker lays out the
// launcher: headers in 0x400 bytes, sections 0x1000 apart in memory and 0x200
// in the file, sixteen data directories.
std::vector<uint8_t> linkedStub(uint16_t magic, const std::vector<StubSection>& sections) {
    const uint32_t pe = 0x80, optionalSize = magic == 0x10B ? 224 : 240, opt = pe + 24;
    std::vector<uint8_t> image(0x400, 0);
    image[0] = 'M';
    image[1] = 'Z';
    put32(image, 0x3C, pe);
    put32(image, pe, 0x4550);
    put16(image, pe + 4, magic == 0x10B ? 0x14C : 0x8664);
    put16(image, pe + 6, static_cast<uint16_t>(sections.size()));
    put16(image, pe + 20, static_cast<uint16_t>(optionalSize));
    put16(image, opt, magic);
    put32(image, opt + 32, 0x1000);
    put32(image, opt + 36, 0x200);
    put32(image, opt + 56, 0x1000 + 0x1000 * static_cast<uint32_t>(sections.size()));
    put32(image, opt + 60, 0x400);
    put32(image, opt + (magic == 0x10B ? 92 : 108), 16);
    for (size_t i = 0; i < sections.size(); ++i) {
        size_t header = opt + optionalSize + 40 * i;
        std::copy(sections[i].name, sections[i].name + std::strlen(sections[i].name), image.begin() + header);
        put32(image, header + 8, static_cast<uint32_t>(sections[i].data.size()));
        put32(image, header + 12, sections[i].address);
        put32(image, header + 16, 0x200);
        put32(image, header + 20, static_cast<uint32_t>(image.size()));
        std::vector<uint8_t> raw = sections[i].data;
        raw.resize(0x200, 0);
        image.insert(image.end(), raw.begin(), raw.end());
    }
    return image;
}

std::vector<uint8_t> codeAndRelocations(uint16_t magic) {
    return linkedStub(magic, {{".text", 0x1000, std::vector<uint8_t>(0x180, 0xC3)}, {".reloc", 0x2000, {1, 2, 3, 4}}});
}

void setDirectory(std::vector<uint8_t>& image, int index, uint32_t address, uint32_t size) {
    PeImage pe = readPeImage(image, "stub");
    put32(image, pe.directoriesOffset + 8 * index, address);
    put32(image, pe.directoriesOffset + 8 * index + 4, size);
}

// A 32-bit DIB image of one colour, as an .ico file holds it.
IconImage bitmapIcon(uint8_t size, uint8_t blue) {
    IconImage image;
    image.width = image.height = size;
    image.planes = 1;
    image.bitCount = 32;
    image.data.assign(40 + 4u * size * size + 4u * size, 0);
    put32(image.data, 0, 40);
    put32(image.data, 4, size);
    put32(image.data, 8, 2u * size);
    put16(image.data, 12, 1);
    put16(image.data, 14, 32);
    for (size_t p = 0; p < 4u * size * size; p += 4) image.data[40 + p] = blue;
    return image;
}

AppResources sampleResources() {
    AppResources app;
    app.version = VersionInfo{{{"version", u"1.2.3.4"}, {"productName", u"Prod \u2713"}, {"copyright", u"(c) Co"}}};
    app.icon = {bitmapIcon(16, 0x11), bitmapIcon(32, 0x22)};
    return app;
}

AppResources readBack(const std::vector<uint8_t>& image, std::vector<std::string>& warnings) {
    MemoryByteSource source(image.data(), image.size());
    return readAppResources(imageResources(source, readPeImage(image, "out"), "out"), warnings, "out");
}

class StubRewrite : public ::testing::TestWithParam<uint16_t> {};

TEST_P(StubRewrite, ResourcesGoIntoANewLastSectionThatTheBlockFollows) {
    std::vector<uint8_t> stub = codeAndRelocations(GetParam());
    setDirectory(stub, kDirectoryCertificates, 0x800, 0x100);  // a signed stub's, now behind its end
    AppResources app = sampleResources();
    std::vector<uint8_t> out = rewriteStubImage(stub, app, "stub");

    PeImage pe = readPeImage(out, "out");
    ASSERT_EQ(pe.sections.size(), 3u);
    const PeSection& rsrc = pe.sections.back();
    EXPECT_EQ(rsrc.name, ".rsrc");
    EXPECT_EQ(rsrc.virtualAddress, 0x3000u);
    EXPECT_EQ(rsrc.rawPointer, 0x800u);
    EXPECT_EQ(out.size(), rsrc.rawPointer + rsrc.rawSize);
    EXPECT_EQ(pe.directory(kDirectoryResource).address, 0x3000u);
    EXPECT_EQ(pe.directory(kDirectoryResource).size, rsrc.virtualSize);
    EXPECT_EQ(pe.sizeOfImage, alignUp(0x3000 + rsrc.virtualSize, 0x1000));
    EXPECT_EQ(pe.directory(kDirectoryCertificates).size, 0u);
    EXPECT_TRUE(std::equal(stub.begin() + 0x400, stub.end(), out.begin() + 0x400)) << "the sections stay as they were";

    // The launcher's arithmetic finds the end of the new section.
    MemoryByteSource source(out.data(), out.size());
    seekConfigBlock(source);
    EXPECT_EQ(source.position(), static_cast<int64_t>(out.size()));

    std::vector<std::string> warnings;
    AppResources again = readBack(out, warnings);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    EXPECT_EQ(again.version, app.version);
    EXPECT_EQ(again.icon, app.icon);
    EXPECT_EQ(iconFileBytes(readIconFile(iconFileBytes(again.icon), "ico")), iconFileBytes(app.icon));

    // A launcher built before is a stub too: its resource section is rebuilt in place.
    EXPECT_EQ(rewriteStubImage(out, app, "out"), out);
    app.version->values.pop_back();
    std::vector<uint8_t> changed = rewriteStubImage(out, app, "out");
    EXPECT_EQ(readPeImage(changed, "changed").sections.size(), 3u);
    EXPECT_EQ(readBack(changed, warnings).version, app.version);
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, StubRewrite, ::testing::Values(0x10B, 0x20B));

TEST(StubResources, TheStubsOwnAreKeptButForTheTypesTheApplicationGives) {
    auto resource = [](ResourceKey type, ResourceKey name, std::vector<uint8_t> data) {
        Resource r;
        r.type = type;
        r.name = name;
        r.language = ResourceKey::number(0x409);
        r.codePage = 1252;
        r.data = std::move(data);
        return r;
    };
    ResourceKey named{true, 0, u"Custom"};
    std::vector<Resource> own = {resource(ResourceKey::number(24), ResourceKey::number(1), {'<', 'x', '/', '>'}),
                                 resource(named, ResourceKey{true, 0, u"ITEM"}, {7, 7}),
                                 resource(ResourceKey::number(kResourceVersion), ResourceKey::number(1), {1, 2, 3})};
    std::vector<uint8_t> table = writeResources(own, 0x2000);
    ASSERT_LE(table.size(), 0x200u);
    std::vector<uint8_t> stub = linkedStub(0x10B, {{".text", 0x1000, {0xC3}}, {".rsrc", 0x2000, table},
                                                   {".reloc", 0x3000, {1}}});
    setDirectory(stub, kDirectoryResource, 0x2000, static_cast<uint32_t>(table.size()));
    MemoryByteSource source(stub.data(), stub.size());
    EXPECT_EQ(imageResources(source, readPeImage(stub, "stub"), "stub").size(), 3u);

    AppResources app;
    app.version = VersionInfo{{{"fileDescription", u"Mine"}}};
    std::vector<uint8_t> out = rewriteStubImage(stub, app, "stub");
    PeImage pe = readPeImage(out, "out");
    ASSERT_EQ(pe.sections.size(), 4u) << "the stub's resource section is not its last: a new one follows";
    MemoryByteSource outSource(out.data(), out.size());
    std::vector<Resource> now = imageResources(outSource, pe, "out");
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(now[0].type, named) << "named types sort first";
    EXPECT_EQ(now[0].data, own[1].data);
    EXPECT_EQ(now[1].data, versionResourceBytes(*app.version)) << "then ids, ascending";
    EXPECT_EQ(now[2].data, own[0].data);
    EXPECT_EQ(now[2].codePage, 1252u);
}

// Bad resource input: one line naming the file and the key, exit code 2,
// and nothing written.
class BadResourceInput : public ScratchDirTest {};

TEST_F(BadResourceInput, IsNamedAndWritesNothing) {
    std::vector<uint8_t> stub = codeAndRelocations(0x10B);
    write("stub.exe", std::string(stub.begin(), stub.end()));
    std::vector<uint8_t> good = iconFileBytes({bitmapIcon(16, 1)});
    auto icon = [&](size_t at, std::vector<uint8_t> patch) {
        std::vector<uint8_t> bytes = good;
        std::copy(patch.begin(), patch.end(), bytes.begin() + at);
        return std::string(bytes.begin(), bytes.end());
    };
    write("text.ico", "this is no icon");
    write("cursor.ico", icon(2, {2, 0}));
    write("empty.ico", icon(4, {0, 0}));
    write("outside.ico", icon(6 + 8, {0xFF, 0xFF, 0, 0}));
    write("noimage.ico", icon(22, {'G', 'I', 'F', '8'}));
    // The key leads the message; an icon's message names the file next.
    struct Case {
        const char* json;
        const char* expected;
    } cases[] = {
        {R"({"icon": "text.ico"})", "icon: not an icon file (.ico): no icon directory at its start"},
        {R"({"icon": "cursor.ico"})", "icon: not an icon file (.ico): a cursor file"},
        {R"({"icon": "empty.ico"})", "icon: not an icon file (.ico): it holds no image"},
        {R"({"icon": "outside.ico"})", "icon: not an icon file (.ico): image 1 lies outside the file"},
        {R"({"icon": "noimage.ico"})", "icon: not an icon file (.ico): image 1 is neither a bitmap nor a PNG image"},
        {R"({"icon": "absent.ico"})", "icon: file not found"},
        {R"({"version": "1.2.3.4.5"})", "version: \"1.2.3.4.5\": more than 4 parts"},
        {R"({"version": "1.70000"})", "version: \"1.70000\": part 70000 is above 65535"},
        {R"({"version": "1.x"})", "version: \"1.x\": expected 1 to 4 numbers joined by dots"},
        {R"({"version": 1})", "version: expected a string, got number"},
        {R"({"copyright": "a\u0000b"})", "copyright: contains a NUL character"},
    };
    std::string tooLong = R"({"productName": ")" + std::string(kVersionTextMaxLength + 1, 'x') + "\"}";
    std::vector<std::pair<std::string, std::string>> all;
    for (const Case& c : cases) all.emplace_back(c.json, c.expected);
    all.emplace_back(tooLong, "productName: too long: 1001 characters");
    std::vector<std::string> before = listing();
    for (const auto& [json, expected] : all) {
        SCOPED_TRACE(json.substr(0, 60));
        write("app.json", json);
        try {
            buildLauncher(dir / "app.json", dir / "out.exe", dir / "stub.exe", dir);
            ADD_FAILURE() << "built";
        } catch (const PackError& e) {
            std::string message = e.what();
            EXPECT_EQ(e.exitCode(), kExitBadInput);
            std::string key = expected.substr(0, expected.find(": ")), what = expected.substr(key.size() + 2);
            EXPECT_EQ(message.rfind((dir / "app.json").string() + ": " + key + ": ", 0), 0u) << message;
            EXPECT_NE(message.find(what), std::string::npos) << message;
            EXPECT_EQ(message.find('\n'), std::string::npos);
        }
        std::vector<std::string> now = listing();
        now.erase(std::remove(now.begin(), now.end(), "app.json"), now.end());
        EXPECT_EQ(now, before);
    }
}

class SignedLauncher : public ScratchDirTest {};

TEST_F(SignedLauncher, InspectReportsTheSignatureAndStopsTheFileTableAtIt) {
    ConfigBlock block;
    block.base = {{cfg::kIncludedFileCount, "1"}, {cfg::kIncludedFileNames, "a.bin"}};
    std::vector<uint8_t> image = withBlockAt(codeAndRelocations(0x10B), 0x800, serializeBlock(block));
    std::string record = std::string("\x04\0\0\0\0\0\0\0", 8) + "abcd";
    image.insert(image.end(), record.begin(), record.end());
    image.resize((image.size() + 7) / 8 * 8, 0);  // a signing tool pads to 8 bytes first
    uint32_t table = static_cast<uint32_t>(image.size());
    image.resize(image.size() + 64, 0x30);
    setDirectory(image, kDirectoryCertificates, table, 64);

    MemoryByteSource source(image.data(), image.size());
    LauncherContents contents = readLauncherContents(source, "signed.exe");
    ASSERT_TRUE(contents.signature.has_value());
    EXPECT_EQ(contents.signature->offset, table);
    EXPECT_EQ(contents.signature->size, 64);
    ASSERT_EQ(contents.files.size(), 1u);
    EXPECT_EQ(contents.files[0].size, 4);
    auto json = contentsToJson(contents, {"a.bin"});
    EXPECT_EQ(json["signature"]["offset"], table);
    EXPECT_EQ(json["packedBy"], std::string("vorbix-pack ") + toolVersion());

    // A record that would run into the certificate table is damage, not content.
    put32(image, 0x800 + serializeBlock(block).size(), 20);
    MemoryByteSource cut(image.data(), image.size());
    try {
        readLauncherContents(cut, "signed.exe");
        ADD_FAILURE() << "read";
    } catch (const PackError& e) {
        EXPECT_STREQ(e.what(), "signed.exe: the file table ends inside included file a.bin");
    }
}

}  // namespace
