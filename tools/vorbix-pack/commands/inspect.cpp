#include "commands/inspect.h"

#include <cctype>
#include <cstring>
#include <map>
#include <ostream>

#include "base/atomic_output.h"
#include "base/file_source.h"
#include "base/host_files.h"
#include "base/pack_error.h"
#include "base/tool_version.h"
#include "commands/pack_build.h"
#include "config/architecture.h"
#include "config/config_keys.h"
#include "config/file_table.h"
#include "config/text_codec.h"
#include "core/config/config_format.h"
#include "core/config/config_store.h"
#include "core/text_split.h"
#include "service/service_settings.h"

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

std::u16string toUtf16(const std::wstring& units) {
    std::u16string out;
    out.reserve(units.size());
    for (wchar_t unit : units) out += static_cast<char16_t>(unit);
    return out;
}

std::vector<WideRecord> readWideRecords(ByteSource& source) {
    std::vector<WideRecord> records;
    int32_t count = readInt(source);
    for (int32_t i = 0; i < count; ++i) {
        ConfigId id = readInt(source);
        records.emplace_back(id, toUtf16(readWString(source)));
    }
    return records;
}

void readContents(ByteSource& source, const std::string& name, LauncherContents& contents) {
    uint8_t mz[2] = {};
    uint32_t bytesRead = 0, errorCode = 0;
    source.seek(0);
    if (!source.read(mz, 2, bytesRead, errorCode) || bytesRead != 2 || mz[0] != 'M' || mz[1] != 'Z')
        throw PackError(name + ": not a Windows executable");
    contents.machine = stubMachine(source);
    PeImage pe = readPeImage(readStubBytes(source, static_cast<int64_t>(peHeaderSize(readStubBytes(source, 0x400, name, true))),
                                           name, true),
                             name);
    contents.resources = readAppResources(imageResources(source, pe, name), contents.warnings, name);
    seekConfigBlock(source);
    int64_t blockStart = source.position();
    // A signature's certificate table comes last, behind the file table.
    int64_t end = source.position() + source.remaining();
    PeDirectory certificates = pe.directory(kDirectoryCertificates);
    if (certificates.size != 0) {
        contents.signature = Signature{certificates.address, certificates.size};
        if (certificates.address < blockStart || certificates.address > end ||
            certificates.size > end - certificates.address)
            contents.warnings.push_back(name + ": its certificate table entry points outside the file's end");
        else
            end = certificates.address;
    }
    source.seek(blockStart);
    if (source.remaining() < 4 || static_cast<uint32_t>(readInt(source)) != kConfigMagic)
        throw PackError(name + ": no configuration block behind the last section (a bare launcher?)");
    int32_t major = readInt(source);
    int32_t minor = readInt(source);
    contents.packedBy = packedByText(major, minor, readLong(source));
    int32_t baseCount = readInt(source);
    for (int32_t i = 0; i < baseCount; ++i) {
        ConfigId id = readInt(source);
        contents.block.base.emplace_back(id, readString(source));
    }
    contents.block.wide = readWideRecords(source);
    int32_t sectionCount = readInt(source);
    for (int32_t i = 0; i < sectionCount; ++i) {
        LocaleSection section;
        section.prefix = readString(source);
        section.records = readWideRecords(source);
        contents.block.sections.push_back(std::move(section));
    }

    // The file table: the launcher extracts as many records as there are
    // names, up to the count; a later record of a repeated id decides.
    std::map<ConfigId, std::string> base;
    for (const auto& [id, value] : contents.block.base) base[id] = value;
    if (!base.count(cfg::kIncludedFileCount)) return;
    int count = parseConfigInt(base[cfg::kIncludedFileCount].c_str());
    std::vector<std::string> names;
    for (const std::string& part : splitAt(base[cfg::kIncludedFileNames], ';'))
        if (!part.empty()) names.push_back(part);
    if (count > 0 && static_cast<size_t>(count) != names.size())
        contents.warnings.push_back(name + ": entry 2002 counts " + std::to_string(count) + " files, entry 2003 names " +
                                    std::to_string(names.size()));
    for (size_t i = 0; i < names.size() && static_cast<int64_t>(i) < count; ++i) {
        IncludedRecord record;
        record.name = names[i];
        int64_t size = readLong(source);
        record.offset = source.position();
        record.size = size > 0 ? size : 0;
        if (record.size > end - source.position())
            throw PackError(name + ": the file table ends inside included file " + record.name);
        source.seek(record.offset + record.size);
        contents.files.push_back(record);
    }
}

bool canonicalInt(const std::string& text, int32_t& value) {
    ConfigId parsed = 0;
    if (!parseRawId(text, parsed) || std::to_string(parsed) != text) return false;
    value = parsed;
    return true;
}

// A list entry as items when writing the items back gives the same text.
std::optional<Json> structuredList(const ConfigKey& key, const std::string& text) {
    Json items = Json::array();
    if (text.empty()) return items;
    char separator = key.form == KeyForm::NameList ? key.letters[0] : ';';
    for (const std::string& part : splitAt(text, separator)) {
        if (key.form == KeyForm::NameList) {
            items.push_back(latin1ToUtf8(part));
            continue;
        }
        if (part.empty() || !std::strchr(key.letters, part[0])) return std::nullopt;
        Json item = Json::object();
        item["type"] = std::string(1, part[0]);
        if (key.form == KeyForm::ClassPathList) {
            if (part.size() < 2 || (part[1] != '0' && part[1] != '1')) return std::nullopt;
            item["required"] = part[1] == '1';
            item["value"] = latin1ToUtf8(part.substr(2));
        } else if (part.size() > 1) {
            item["value"] = latin1ToUtf8(part.substr(1));
        }
        items.push_back(item);
    }
    return items;
}

// The JSON of a failure actions entry, when building from it gives the same text.
std::optional<Json> failureActionsJson(const std::string& text) {
    FailureActions actions;
    if (!decodeFailureActions(text, actions) || encodeFailureActions(actions) != text) return std::nullopt;
    Json list = Json::array();
    for (const FailureAction& action : actions.actions) {
        Json item = Json::object();
        item["type"] = action.restart ? "restart" : "none";
        if (action.restart) item["delayMs"] = action.delayMs;
        list.push_back(item);
    }
    Json json = Json::object();
    json["resetSeconds"] = actions.resetSeconds;
    json["actions"] = list;
    json["failOnNonZeroExit"] = actions.failOnNonZeroExit;
    return json;
}

Json wideObject(std::map<ConfigId, std::u16string>& table, bool messages) {
    Json object = Json::object();
    for (auto it = table.begin(); it != table.end();) {
        if (isMessageId(it->first) == messages) {
            object[std::to_string(it->first)] = utf16ToUtf8(it->second);
            it = table.erase(it);
        } else {
            ++it;
        }
    }
    return object;
}

// serviceDescription, messages and raw wide entries of one wide table.
void putWideTable(Json& json, std::map<ConfigId, std::u16string> table, bool withDescription) {
    const char* description = findKeyById(cfg::kServiceDescription)->name;
    auto it = table.find(cfg::kServiceDescription);
    if (withDescription && it != table.end()) {
        json[description] = utf16ToUtf8(it->second);
        table.erase(it);
    }
    Json messages = wideObject(table, true);
    Json wide = wideObject(table, false);
    if (!messages.empty()) json[kMessagesKey] = messages;
    if (!wide.empty()) json[kWideKey] = wide;
}

}  // namespace

LauncherContents readLauncherContents(ByteSource& source, const std::string& name) {
    LauncherContents contents;
    try {
        readContents(source, name, contents);
    } catch (const PackError&) {
        throw;
    } catch (const BlockReadError& e) {
        throw PackError(name + ": damaged configuration block (" + e.text + ")");
    } catch (...) {
        throw PackError(name + ": damaged configuration block");
    }
    return contents;
}

std::string iconFileName(const LauncherContents& contents) {
    for (int n = 1;; ++n) {
        std::string candidate = n == 1 ? "icon.ico" : "icon-" + std::to_string(n) + ".ico";
        bool taken = false;
        for (const IncludedRecord& record : contents.files) {
            std::string lower = record.name;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            taken = taken || lower == candidate;
        }
        if (!taken) return candidate;
    }
}

Json contentsToJson(const LauncherContents& contents, const std::vector<std::string>& sources,
                    const std::string& iconSource) {
    std::map<ConfigId, std::string> base;
    for (const auto& [id, value] : contents.block.base) base[id] = value;
    std::map<ConfigId, std::u16string> wide;
    for (const auto& [id, value] : contents.block.wide) wide[id] = value;

    // The runtime archive a flavour "e" build added is listed among the
    // included files; a second one must not be added on the way back.
    auto flavourIt = base.find(cfg::kLauncherFlavour);
    bool takesRuntimeArchive = flavourIt != base.end() && !flavourIt->second.empty() && flavourIt->second[0] == 'e';

    Json json = Json::object();
    // Which bare launcher the block sits on, so that build picks it again.
    std::string architecture = architectureName(contents.machine);
    if (!architecture.empty()) json[kArchitectureKey] = architecture;
    // What build ignores: who built the block, and a signature added since.
    if (!contents.packedBy.empty()) json[kPackedByKey] = contents.packedBy;
    if (contents.signature) {
        Json signature = Json::object();
        signature["offset"] = contents.signature->offset;
        signature["size"] = contents.signature->size;
        json[kSignatureKey] = signature;
    }
    if (contents.resources.version)
        for (const auto& [key, value] : contents.resources.version->values) json[key] = utf16ToUtf8(value);
    if (!contents.resources.icon.empty()) json[kIconKey] = iconSource;
    for (const ConfigKey& key : configKeys()) {
        if (key.form == KeyForm::Localized) {
            auto it = wide.find(key.id);
            if (it == wide.end()) continue;
            json[key.name] = utf16ToUtf8(it->second);
            wide.erase(it);
            continue;
        }
        auto it = base.find(key.id);
        if (it == base.end()) continue;
        const std::string& text = it->second;
        int32_t number = 0;
        switch (key.form) {
            case KeyForm::Text:
                json[key.name] = latin1ToUtf8(text);
                break;
            case KeyForm::Number:
            case KeyForm::Switch:
                // Anything but canonical decimal text stays under its raw id.
                if (!canonicalInt(text, number)) continue;
                if (key.form == KeyForm::Switch && (number == 0 || number == 1))
                    json[key.name] = number == 1;
                else
                    json[key.name] = number;
                break;
            case KeyForm::Seconds:
            case KeyForm::Count:
                // A value build would refuse stays under its raw id.
                if (!canonicalInt(text, number) || number < 0) continue;
                json[key.name] = number;
                break;
            case KeyForm::Account:
                if (accountKind(text) == AccountKind::Invalid) continue;
                json[key.name] = latin1ToUtf8(text);
                break;
            case KeyForm::FailureActions:
                if (auto actions = failureActionsJson(text))
                    json[key.name] = *actions;
                else
                    continue;
                break;
            default:
                if (auto items = structuredList(key, text))
                    json[key.name] = *items;
                else
                    json[key.name] = latin1ToUtf8(text);
                break;
        }
        base.erase(it);
    }

    int32_t setCount = 0;
    auto countIt = base.find(cfg::kVersionOptionSetCount);
    if (countIt != base.end() && canonicalInt(countIt->second, setCount) && setCount >= 0 &&
        static_cast<size_t>(setCount) <= base.size()) {
        bool complete = true;
        for (int i = 0; i < setCount && complete; ++i)
            complete = base.count(cfg::versionOptionSetCondition(i)) && base.count(cfg::versionOptionSetOptions(i));
        if (complete) {
            Json sets = Json::array();
            for (int i = 0; i < setCount; ++i) {
                Json set = Json::object();
                set["condition"] = latin1ToUtf8(base[cfg::versionOptionSetCondition(i)]);
                set["options"] = latin1ToUtf8(base[cfg::versionOptionSetOptions(i)]);
                sets.push_back(set);
                base.erase(cfg::versionOptionSetCondition(i));
                base.erase(cfg::versionOptionSetOptions(i));
            }
            base.erase(cfg::kVersionOptionSetCount);
            json[kVersionOptionSetsKey] = sets;
        }
    }

    // Entries 2002 and 2003 are what includedFiles writes.
    bool listsFiles = base.erase(cfg::kIncludedFileCount) + base.erase(cfg::kIncludedFileNames) > 0;
    if (listsFiles || !contents.files.empty()) {
        Json files = Json::array();
        for (size_t i = 0; i < contents.files.size(); ++i) {
            Json file = Json::object();
            file["name"] = latin1ToUtf8(contents.files[i].name);
            file["source"] = i < sources.size() ? sources[i] : "";
            file["size"] = contents.files[i].size;
            files.push_back(file);
        }
        json[kIncludedFilesKey] = files;
    }
    if (takesRuntimeArchive) json[kRuntimeArchiveKey] = false;

    for (const auto& [id, value] : base) json[std::to_string(id)] = latin1ToUtf8(value);
    putWideTable(json, wide, false);

    if (!contents.block.sections.empty()) {
        Json sections = Json::array();
        for (const LocaleSection& section : contents.block.sections) {
            Json entry = Json::object();
            entry["prefix"] = latin1ToUtf8(section.prefix);
            std::map<ConfigId, std::u16string> records;
            for (const auto& [id, value] : section.records) records[id] = value;
            putWideTable(entry, records, true);
            sections.push_back(entry);
        }
        json[kLocalesKey] = sections;
    }
    return json;
}

fs::path extractionPath(const fs::path& directory, const std::string& name) {
    fs::path relative;
    for (const std::string& part : splitAt(name, '\\')) {
        for (const std::string& piece : splitAt(part, '/')) {
            if (piece.empty() || piece == "." || piece == ".." || piece.find(':') != std::string::npos)
                throw PackError("included file \"" + latin1ToUtf8(name) + "\": not a name inside a directory");
            relative /= fs::u8path(latin1ToUtf8(piece));
        }
    }
    return directory / relative;
}

namespace {

// A path as the JSON writes it: relative to where the JSON lies when possible.
std::string sourceText(const fs::path& file, const fs::path& jsonDirectory) {
    fs::path absolute = fs::absolute(file).lexically_normal();
    fs::path relative = absolute.lexically_relative(fs::absolute(jsonDirectory).lexically_normal());
    return (relative.empty() ? absolute : relative).generic_u8string();
}

}  // namespace

void inspectLauncher(const InspectRequest& request, std::ostream& out, std::ostream& err) {
    FilePtr file = openForReading(request.exe);
    FileByteSource source(file.get());
    LauncherContents contents = readLauncherContents(source, request.exe.string());
    for (const std::string& warning : contents.warnings) err << "vorbix-pack: warning: " << warning << "\n";

    fs::path jsonDirectory = request.output ? request.output->parent_path() : fs::current_path();
    if (jsonDirectory.empty()) jsonDirectory = ".";
    std::vector<std::string> sources;
    for (const IncludedRecord& record : contents.files) {
        if (!request.extractDirectory) {
            // Where "--extract ." would put it.
            sources.push_back(extractionPath(".", record.name).lexically_normal().generic_u8string());
            continue;
        }
        fs::path target = extractionPath(*request.extractDirectory, record.name);
        std::error_code error;
        fs::create_directories(target.parent_path(), error);
        if (error) throw PackError(target.parent_path().string() + ": cannot create: " + error.message(), kExitWriteFailed);
        AtomicOutput output(target);
        if (!seekFile(file.get(), record.offset) ||
            copyBytes(file.get(), output.file(), record.size, true, target.string()) != record.size)
            throw PackError(request.exe.string() + ": cannot read included file " + latin1ToUtf8(record.name));
        output.commit(newFileMode());
        sources.push_back(sourceText(target, jsonDirectory));
    }

    std::string iconSource;
    if (!contents.resources.icon.empty()) {
        std::string name = iconFileName(contents);
        if (!request.extractDirectory) {
            iconSource = name;
        } else {
            fs::path target = *request.extractDirectory / name;
            std::error_code error;
            fs::create_directories(target.parent_path(), error);
            AtomicOutput output(target);
            std::vector<uint8_t> bytes = iconFileBytes(contents.resources.icon);
            output.write(bytes.data(), bytes.size());
            output.commit(newFileMode());
            iconSource = sourceText(target, jsonDirectory);
        }
    }

    std::string text = contentsToJson(contents, sources, iconSource).dump(2) + "\n";
    if (!request.output) {
        out << text;
        return;
    }
    AtomicOutput output(*request.output);
    output.write(text.data(), text.size());
    output.commit(newFileMode());
}
