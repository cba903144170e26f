#include "package/msi_source.h"

#include <gtest/gtest.h>

#include <functional>

#include "package/msi_config.h"
#include "package/name_uuid.h"
#include "base/pack_error.h"
#include "config/pack_test_support.h"

namespace {

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

std::string hex(const std::array<uint8_t, 20>& digest) {
    std::string text;
    char two[3];
    for (uint8_t byte : digest) std::snprintf(two, sizeof two, "%02x", byte), text += two;
    return text;
}

MsiPackage basePackage() {
    MsiPackage p;
    p.productName = "Hello";
    p.manufacturer = "Acme";
    p.version = "1.2.3";
    p.upgradeCode = "0F7C5A2E-1D2B-4C3D-8E4F-5A6B7C8D9E0F";
    p.installDirectory = {"Acme", "Hello"};
    p.executableName = "Hello.exe";
    p.executableSource = "/build/Hello.exe";
    p.serviceName = "HelloService";
    return p;
}

TEST(NameUuid, DigestsAndNameBasedUuidsMatchTheirPublishedValues) {
    EXPECT_EQ(hex(sha1("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(hex(sha1("")), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    // Two blocks: the length goes into a second one.
    EXPECT_EQ(hex(sha1("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    Uuid dns;
    ASSERT_TRUE(parseUuid("{6ba7b810-9dad-11d1-80b4-00c04fd430c8}", dns));
    EXPECT_EQ(uuidText(nameUuid(dns, "python.org")), "886313E1-3B8A-5372-9B90-0C9AEE199E5D");
    for (const char* bad : {"", "6ba7b810-9dad-11d1-80b4-00c04fd430c", "6ba7b810x9dad-11d1-80b4-00c04fd430c8",
                            "{6ba7b810-9dad-11d1-80b4-00c04fd430c8", "6ba7b810-9dad-11d1-80b4-00c04fd430cg"})
        EXPECT_FALSE(parseUuid(bad, dns)) << bad;
}

TEST(MsiCodes, UpgradeCodeIsStableAndProductCodeFollowsTheComparedVersion) {
    // Users' upgrades depend on this value: it must never change between releases.
    EXPECT_EQ(derivedUpgradeCode("HelloService", "Acme"), derivedUpgradeCode("helloservice", "ACME"));
    EXPECT_EQ(derivedUpgradeCode("HelloService", "Acme"), "9FBEC9B3-138A-56CD-B7D6-8F120A33CE32");
    EXPECT_NE(derivedUpgradeCode("HelloService", "Acme"), derivedUpgradeCode("HelloService", "Other"));
    EXPECT_NE(derivedUpgradeCode("A", "BC"), derivedUpgradeCode("AB", "C"));
    const std::string code = basePackage().upgradeCode;
    EXPECT_EQ(productCode(code, "1.2.3"), productCode(code, "1.2.3.9"));
    EXPECT_EQ(productCode(code, "1.2"), productCode(code, "1.2.0"));
    EXPECT_NE(productCode(code, "1.2.3"), productCode(code, "1.2.4"));
    EXPECT_NE(productCode(code, "1.2.3"), productCode(derivedUpgradeCode("x", "y"), "1.2.3"));
}

TEST(MsiSource, WritesTheTablesTheInstallNeeds) {
    struct Case {
        const char* name;
        std::function<void(MsiPackage&)> change;
        std::vector<std::pair<std::string, size_t>> expected;  // text, how often
    };
    const std::vector<Case> cases = {
        {"x86 demand start", [](MsiPackage&) {},
         {{"<Directory Id=\"ProgramFilesFolder\">", 1}, {"ProgramFiles64Folder", 0}, {"Win64", 0},
          {"<Directory Id=\"vbxParent1\" Name=\"Acme\">", 1}, {"<Directory Id=\"INSTALLDIR\" Name=\"Hello\">", 1},
          {"Source=\"/build/Hello.exe\" KeyPath=\"yes\"", 1}, {"ServiceControl", 0},
          {"ExeCommand=\"/install\" Execute=\"deferred\" Impersonate=\"no\" Return=\"check\"", 1},
          {"ExeCommand=\"/uninstall-if-installed\" Execute=\"rollback\"", 1},
          {"<Custom Action=\"vbxRemoveService\" Sequence=\"1850\">REMOVE~=\"ALL\"</Custom>", 1},
          {"<RemoveExistingProducts Sequence=\"1401\"/>", 1}, {"Schedule=", 0}, {"ARPPRODUCTICON", 0},
          {"Id=\"" + productCode(basePackage().upgradeCode, "1.2.3") + "\"", 1}}},
        {"x64 automatic start with an icon",
         [](MsiPackage& p) {
             p.x64 = true;
             p.autoStart = true;
             p.icon = "/src/app.ico";
             p.files = {{"a.jar", "/src/a.jar"}};
         },
         {{"<Directory Id=\"ProgramFiles64Folder\">", 1}, {"ProgramFilesFolder", 0}, {" Win64=\"yes\">", 2},
          {"<ServiceControl Id=\"vbxServiceStart\" Name=\"HelloService\" Start=\"install\" Wait=\"yes\"/>", 1},
          {"<Icon Id=\"product.ico\" SourceFile=\"/src/app.ico\"/>", 1},
          {"<Property Id=\"ARPPRODUCTICON\" Value=\"product.ico\"/>", 1}}},
        {"files in shared and nested directories",
         [](MsiPackage& p) {
             p.installDirectory = {"Hello"};
             p.files = {{"lib\\a.jar", "/s/a.jar"}, {"jre\\bin\\java.exe", "/s/java.exe"},
                        {"LIB\\b.jar", "/s/b.jar"}, {"top.txt", "/s/top.txt"}};
         },
         {{"vbxParent", 0}, {"<Directory Id=\"INSTALLDIR\" Name=\"Hello\">", 1},
          {"<Directory Id=\"vbxDir1\" Name=\"lib\">", 1}, {"<Directory Id=\"vbxDir2\" Name=\"jre\">", 1},
          {"<Directory Id=\"vbxDir3\" Name=\"bin\">", 1}, {"Name=\"LIB\"", 0}, {"<ComponentRef ", 5},
          {"<File Id=\"vbxFile", 4}, {"Name=\"java.exe\" Source=\"/s/java.exe\"", 1}, {"Name=\"b.jar\"", 1}}},
        {"texts escaped for XML, the preprocessor and formatted columns",
         [](MsiPackage& p) {
             p.productName = "A & B <\"x\"> $(env.HOME) 'q' [y]";
             p.manufacturer = "Tab\there";
             p.serviceName = "Svc[1]{$}";
             p.autoStart = true;
             p.executableSource = "/b$uild/x.exe";
         },
         {{"=\"A &amp; B &lt;&quot;x&quot;&gt; $(var.vbxDollar)(env.HOME) &apos;q&apos; [y]\"", 2},
          {"Manufacturer=\"Tab&#9;here\"", 2},
          {"ServiceControl Id=\"vbxServiceStart\" Name=\"Svc[\\[]1[\\]][\\{]$(var.vbxDollar)[\\}]\"", 1},
          {"Source=\"/b$(var.vbxDollar)uild/x.exe\"", 1}, {"<?define vbxDollar = \"$\" ?>", 1}, {"$(env", 0}}},
        {"for the WiX toolset",
         [](MsiPackage& p) { p.builder = WixBuilder::WixToolset; },
         {{"<MajorUpgrade Schedule=\"afterInstallValidate\"", 1}, {"RemoveExistingProducts", 0},
          {"candle -arch x86", 1}}},
    };
    for (const Case& c : cases) {
        MsiPackage package = basePackage();
        c.change(package);
        std::string source = wixSource(package);
        for (const auto& [text, times] : c.expected) EXPECT_EQ(count(source, text), times) << c.name << ": " << text;
        // Component GUIDs follow the installed path, whatever its case.
        EXPECT_EQ(wixSource(package), source) << c.name;
    }
    MsiPackage lower = basePackage(), upper = basePackage();
    lower.files = {{"lib\\a.jar", "/x"}};
    upper.files = {{"LIB\\A.JAR", "/y"}};
    std::string a = wixSource(lower), b = wixSource(upper);
    auto guidOf = [](const std::string& source) { return source.substr(source.find("vbxComponent1\" Guid="), 60); };
    EXPECT_EQ(guidOf(a), guidOf(b));
    upper.x64 = true;
    EXPECT_NE(guidOf(a), guidOf(wixSource(upper)));
}

class MsiConfig : public ScratchDirTest {};

TEST_F(MsiConfig, ReadsTheInstallerSectionAndRefusesWhatAPackageCannotHold) {
    write("app.jar", "jar");
    write("rt/bin/java.exe", "x");
    write("rt/lib/modules", "y");
    const std::string base = R"("serviceName": "Svc", "companyName": "Acme", "version": "1.2.3", )";
    bool derived = false;
    MsiPackage p = readMsiPackage(
        "{" + base + R"("architecture": "x64", "executableType": 4, "installer": {"files": [{"source": "app.jar"},
        {"source": "rt", "name": "jre"}, {"source": "app.jar", "name": "lib\\.\\copy.jar"}]}})",
        dir / "c.json", derived);
    EXPECT_TRUE(derived);
    EXPECT_TRUE(p.x64 && p.autoStart);
    EXPECT_EQ(p.upgradeCode, derivedUpgradeCode("Svc", "Acme"));
    EXPECT_EQ(p.installDirectory, (std::vector<std::string>{"Acme", "Svc"}));
    EXPECT_EQ(p.executableName, "Svc.exe");
    std::vector<std::string> targets;
    for (const MsiFile& file : p.files) targets.push_back(file.target);
    EXPECT_EQ(targets, (std::vector<std::string>{"app.jar", "jre\\bin\\java.exe", "jre\\lib\\modules", "lib\\copy.jar"}));
    p = readMsiPackage("{" + base + R"("installer": {"upgradeCode": "{0f7c5a2e-1d2b-4c3d-8e4f-5a6b7c8d9e0f}",
        "directory": "Acme Corp\\Tools\\Svc"}})", dir / "c.json", derived);
    EXPECT_FALSE(derived);
    EXPECT_EQ(p.upgradeCode, "0F7C5A2E-1D2B-4C3D-8E4F-5A6B7C8D9E0F");
    EXPECT_EQ(p.installDirectory, (std::vector<std::string>{"Acme Corp", "Tools", "Svc"}));

    const std::vector<std::pair<std::string, std::string>> refused = {
        {R"("serviceName": "Svc", "companyName": "Acme")", "version: required for a package"},
        {R"("serviceName": "Svc", "companyName": "Acme", "version": "256.1")", "at most 255"},
        {R"("serviceName": "Svc", "version": "1.0")", "companyName: required for a package"},
        {base + R"("installer": {"files": [{"source": "missing.jar"}]})", "installer.files[0].source: not found: "},
        {base + R"("installer": {"files": [{"source": "app.jar", "name": "..\\evil.jar"}]})",
         "installer.files[0].name: \"..\\evil.jar\" leaves the install directory"},
        {base + R"("installer": {"files": [{"source": "app.jar", "name": "C:\\Windows\\x.jar"}]})",
         "leaves the install directory"},
        {base + R"("installer": {"directory": "..\\..\\Windows"})", "installer.directory: \"..\\..\\Windows\" leaves"},
        {base + R"("installer": {"files": [{"source": "app.jar", "name": "lib/a.jar"}]})", "use backslashes"},
        {base + R"("installer": {"files": [{"source": "app.jar", "name": "Svc.EXE"}]})", "installed twice"},
        {base + R"("installer": {"executableName": "svc.bat"})", "does not end in .exe"},
        {base + R"("installer": {"upgradeCode": "not-a-guid"})", "installer.upgradeCode: expected a GUID"},
        {base + R"("installer": {"file": []})", "installer.file: unknown key"},
        {base + R"("serviceAccount": ".\\svc")", "serviceAccount: a package cannot install a service under a user"},
        {base + R"("30101": "DOMAIN\\svc")", "30101: a package cannot install a service under a user"},
    };
    for (const auto& [json, message] : refused) {
        try {
            readMsiPackage("{" + (json.back() == ' ' ? json.substr(0, json.size() - 2) : json) + "}", dir / "c.json",
                           derived);
            ADD_FAILURE() << "accepted: " << json;
        } catch (const PackError& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
            EXPECT_EQ(e.exitCode(), kExitBadInput);
        }
    }
}

}  // namespace
