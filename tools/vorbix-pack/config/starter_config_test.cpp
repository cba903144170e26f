#include "config/starter_config.h"

#include <sstream>
#include <zlib.h>

#include "base/pack_error.h"
#include "config/config_json.h"
#include "config/jar_manifest.h"
#include "config/pack_test_support.h"

namespace {

void put(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
}

std::string rawDeflate(const std::string& text) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(text.size() + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// A zip archive of (name, content) entries, deflated, as jar tools write it.
std::string zipOf(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string out, directory;
    for (const auto& [name, content] : entries) {
        std::string packed = rawDeflate(content);
        uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(content.data()),
                                                   static_cast<uInt>(content.size())));
        uint32_t offset = static_cast<uint32_t>(out.size());
        put(out, 0x04034B50, 4);
        put(out, 20, 2), put(out, 0, 2), put(out, 8, 2), put(out, 0, 4);
        put(out, crc, 4), put(out, static_cast<uint32_t>(packed.size()), 4), put(out, static_cast<uint32_t>(content.size()), 4);
        put(out, static_cast<uint32_t>(name.size()), 2), put(out, 0, 2);
        out += name + packed;
        put(directory, 0x02014B50, 4);
        put(directory, 20, 2), put(directory, 20, 2), put(directory, 0, 2), put(directory, 8, 2), put(directory, 0, 4);
        put(directory, crc, 4), put(directory, static_cast<uint32_t>(packed.size()), 4);
        put(directory, static_cast<uint32_t>(content.size()), 4);
        put(directory, static_cast<uint32_t>(name.size()), 2), put(directory, 0, 2), put(directory, 0, 2);
        put(directory, 0, 2), put(directory, 0, 2), put(directory, 0, 4), put(directory, offset, 4);
        directory += name;
    }
    uint32_t at = static_cast<uint32_t>(out.size());
    out += directory;
    put(out, 0x06054B50, 4);
    put(out, 0, 2), put(out, 0, 2), put(out, static_cast<uint32_t>(entries.size()), 2);
    put(out, static_cast<uint32_t>(entries.size()), 2);
    put(out, static_cast<uint32_t>(directory.size()), 4), put(out, at, 4), put(out, 0, 2);
    return out;
}

class InitTest : public ScratchDirTest {
protected:
    std::string errorOf(const InitRequest& request) {
        std::ostringstream err;
        try {
            initConfig(request, dir / "bin", err);
        } catch (const PackError& e) {
            EXPECT_EQ(e.exitCode(), kExitBadInput);
            return e.what();
        }
        return "";
    }
};

TEST_F(InitTest, TheManifestsMainClassAndVersionGoIntoAConfigurationThatBuildTakes) {
    // The main section ends at the first blank line; long values continue on lines starting with a blank.
    std::string manifest = "Manifest-Version: 1.0\r\nMain-Class: com.example.a.very.long.package.name.that.goes.on\r\n"
                           " .App\r\nImplementation-Version: 2.5.1\r\n\r\nName: x\r\nMain-Class: Other\r\n";
    write("app/my-app.jar", zipOf({{"META-INF/", ""}, {"META-INF/MANIFEST.MF", manifest}, {"A.class", "x"}}));
    write("docs/vorbix-pack.schema.json", "{}");
    std::ostringstream err;
    InitRequest request;
    request.jar = dir / "app" / "my-app.jar";
    std::filesystem::path written = initConfig(request, dir / "bin", err);
    EXPECT_EQ(written, dir / "app" / "my-app.json");
    EXPECT_EQ(err.str(), "");
    auto json = nlohmann::json::parse(read(written));
    EXPECT_EQ(json["$schema"], "../docs/vorbix-pack.schema.json");
    EXPECT_EQ(json["mainClass"], "com.example.a.very.long.package.name.that.goes.on.App");
    EXPECT_EQ(json["serviceName"], "my-app");
    EXPECT_EQ(json["version"], "2.5.1");
    EXPECT_EQ(json["classPath"][0]["value"], "my-app.jar");

    PackConfig config = loadPackConfig(written);
    EXPECT_EQ(config.resources.version->find("fileDescription")[0], u"my-app");
    EXPECT_EQ(errorOf(request), written.string() + ": exists already (--force replaces it)");
    request.force = true;
    request.name = "My Service";
    request.mainClass = "com.example.Given";
    request.output = dir / "out.json";
    initConfig(request, dir / "x" / "y" / "z", err);
    json = nlohmann::json::parse(read(dir / "out.json"));
    EXPECT_EQ(json["mainClass"], "com.example.Given");
    EXPECT_EQ(json["messages"]["1000"], "My Service");
    EXPECT_FALSE(json.contains("$schema"));
    EXPECT_NE(err.str().find("no \"$schema\" written"), std::string::npos);
}

TEST_F(InitTest, WhatItCannotUseIsNamed) {
    write("plain.jar", zipOf({{"A.class", "x"}}));
    write("text.jar", "not a zip at all, just some text of some length");
    write("bad;name.jar", zipOf({{"A.class", "x"}}));
    struct Case {
        std::string jar, name, expected;
    } cases[] = {
        {"plain.jar", "", "plain.jar: its manifest names no Main-Class; give the class with --main-class"},
        {"text.jar", "", "text.jar: not a jar (zip) archive, or a damaged one"},
        {"absent.jar", "", "absent.jar: cannot open: No such file or directory"},
        {"plain.jar", "a/b", "--name: \"a/b\" cannot be a service name (1 to 256 characters, no / or \\)"},
        {"bad;name.jar", "", "bad;name.jar: a jar name with \";\" cannot go on the class path"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jar + " " + c.name);
        InitRequest request;
        request.jar = dir / c.jar;
        request.name = c.name;
        std::string error = errorOf(request);
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "plain.json"));
}

}  // namespace
