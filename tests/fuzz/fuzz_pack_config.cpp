// vorbix-pack's JSON-to-block path, all in memory: every CONFIG.json text is
// either refused with a PackError or becomes a block that the launcher's
// readers load as given, that inspect reads back record for record, and whose
// JSON from inspect builds the identical block again.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/pack_error.h"
#include "block_builder.h"
#include "commands/inspect.h"
#include "config/block_writer.h"
#include "config/config_json.h"
#include "core/config/config_reader.h"
#include "core/config/config_store.h"
#include "fuzz_check.h"
#include "host.h"

namespace {

// No such directory: relative sources of included files are not found.
const char* const kConfigPath = "/nonexistent-vorbix-fuzz/fuzz.json";

bool sameRecords(const std::vector<WideRecord>& a, const std::vector<WideRecord>& b) { return a == b; }

bool sameBlock(const ConfigBlock& a, const ConfigBlock& b) {
    if (a.base != b.base || !sameRecords(a.wide, b.wide) || a.sections.size() != b.sections.size()) return false;
    for (size_t i = 0; i < a.sections.size(); ++i)
        if (a.sections[i].prefix != b.sections[i].prefix || !sameRecords(a.sections[i].records, b.sections[i].records))
            return false;
    return true;
}

std::wstring wideOf(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// A stub whose last section ends at 0x600, the block behind it, and an empty
// record for every included file.
std::vector<uint8_t> launcherImage(const std::vector<uint8_t>& block, size_t files) {
    std::vector<uint8_t> image = makePe({{0x400, 0x200}});
    image.resize(0x600, 0xCC);
    image.insert(image.end(), block.begin(), block.end());
    image.resize(image.size() + 8 * files, 0);
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536) return 0;
    configStore() = ConfigStore();
    resetHost();
    std::string text(reinterpret_cast<const char*>(data), size);
    PackConfig config;
    try {
        config = parsePackConfig(text, kConfigPath);
    } catch (const PackError& e) {
        // One line, naming the file.
        std::string message = e.what();
        FUZZ_CHECK(message.rfind(kConfigPath, 0) == 0);
        FUZZ_CHECK(message.find('\n') == std::string::npos);
        FUZZ_CHECK(e.exitCode() == kExitBadInput);
        return 0;
    }
    // Anything else escaping (a JSON library exception) ends the run as a crash.

    std::vector<uint8_t> block = serializeBlock(config.block);
    std::vector<uint8_t> image = launcherImage(block, config.files.size());

    // The launcher's two loads.
    try {
        MemoryByteSource first(image.data(), image.size());
        readBaseEntries(first);
        MemoryByteSource second(image.data(), image.size());
        readLocalizedEntries(second, [] { return std::string("de_CH"); });
    } catch (...) {
        FUZZ_CHECK(!"the launcher refused a block the tool built");
    }
    const ConfigStore& store = configStore();
    FUZZ_CHECK(store.base.size() == config.block.base.size());
    for (const auto& [id, value] : config.block.base) FUZZ_CHECK(store.base.at(id) == value);
    std::map<ConfigId, std::wstring> wide;
    for (const auto& [id, value] : config.block.wide) wide[id] = wideOf(value);
    for (const LocaleSection& section : config.block.sections)
        if (localeSectionMatches(section.prefix.c_str(), "de_CH"))
            for (const auto& [id, value] : section.records) wide[id] = wideOf(value);
    FUZZ_CHECK(store.wide == wide);
    FUZZ_CHECK(store.payloadPosition == static_cast<int32_t>(0x600 + block.size()));

    // inspect, then build from its JSON.
    MemoryByteSource source(image.data(), image.size());
    LauncherContents contents = readLauncherContents(source, "fuzz.exe");
    FUZZ_CHECK(contents.warnings.empty());
    FUZZ_CHECK(sameBlock(contents.block, config.block));
    FUZZ_CHECK(contents.files.size() == config.files.size());
    std::vector<std::string> sources;
    for (const IncludedFile& file : config.files) sources.push_back(file.source.string());
    std::string json = contentsToJson(contents, sources).dump(2);
    PackConfig again;
    try {
        again = parsePackConfig(json, kConfigPath);
    } catch (const PackError& e) {
        std::fprintf(stderr, "inspect's JSON was refused: %s\n%s\n", e.what(), json.c_str());
        FUZZ_CHECK(!"inspect's JSON is a valid configuration");
    }
    FUZZ_CHECK(serializeBlock(again.block) == block);
    FUZZ_CHECK(again.files.size() == config.files.size());
    for (size_t i = 0; i < config.files.size(); ++i) {
        FUZZ_CHECK(again.files[i].name == config.files[i].name);
        FUZZ_CHECK(again.files[i].source == config.files[i].source);
    }
    return 0;
}
