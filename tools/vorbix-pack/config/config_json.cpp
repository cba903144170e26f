#include "config/config_json.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "base/file_source.h"
#include "base/pack_error.h"
#include "config/architecture.h"
#include "config/config_keys.h"
#include "config/text_codec.h"
#include "service/service_settings.h"

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

bool parseRawId(const std::string& text, ConfigId& id) {
    size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == start || text.size() - start > 10) return false;
    for (size_t i = start; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    long long value = std::stoll(text);
    if (value < INT32_MIN || value > INT32_MAX) return false;
    id = static_cast<ConfigId>(value);
    return true;
}

namespace {

template <typename Text>
struct Placed {
    Text value;
    std::string where;  // the key that gave it, for duplicate messages
};
template <typename Text>
using Table = std::map<ConfigId, Placed<Text>>;

std::string indexed(const std::string& where, size_t index) { return where + "[" + std::to_string(index) + "]"; }

class ConfigParser {
public:
    explicit ConfigParser(const fs::path& configPath)
        : file_(configPath.string()), baseDir_(configPath.parent_path()) {}

    PackConfig parse(const Json& root) {
        if (!root.is_object()) throw PackError(file_ + ": expected an object at the top level, got " + root.type_name());
        for (const auto& [key, value] : root.items()) {
            ConfigId id = 0;
            if (!findKeyByName(key) && !isToolKey(key) && !parseRawId(key, id))
                fail(key, "unknown key (see docs/configuration.md)");
            if (key == kSchemaKey || key == kSignatureKey || key == kPackedByKey) {
                // For editors, and what inspect reports: nothing to build.
            } else if (key == kIconKey) {
                parseIcon(value);
            } else if (key == kInstallerKey) {
                // The package's contents: read by msi, nothing for the launcher.
                if (!value.is_object()) wrongType(key, "an object", value);
            } else if (isVersionKey(key)) {
                parseVersionKey(key, value);
            } else if (key == kVersionOptionSetsKey) {
                parseVersionOptionSets(value);
            } else if (key == kIncludedFilesKey) {
                parseIncludedFiles(value);
            } else if (key == kMessagesKey) {
                parseWideTable(value, key, wide_, true);
            } else if (key == kWideKey) {
                parseWideTable(value, key, wide_, false);
            } else if (key == kLocalesKey) {
                parseLocales(value);
            } else if (key == kRuntimeArchiveKey) {
                parseRuntimeArchive(value);
            } else if (key == kArchitectureKey) {
                if (!value.is_string() || architectureMachine(value.get<std::string>()) == 0)
                    fail(key, "expected \"x86\" or \"x64\", got " +
                                  (value.is_string() ? "\"" + value.get<std::string>() + "\"" : value.type_name()));
                architecture_ = value.get<std::string>();
            } else if (const ConfigKey* known = findKeyByName(key)) {
                parseKnownKey(*known, value);
            } else if (parseRawId(key, id)) {
                parseRawBase(id, key, value);
            } else {
                fail(key, "unknown key (see docs/configuration.md)");
            }
        }
        PackConfig config;
        for (auto& [id, placed] : base_) config.block.base.emplace_back(id, placed.value);
        config.block.wide = records(wide_);
        config.block.sections = std::move(sections_);
        config.files = std::move(files_);
        config.runtimeArchive = runtimeArchive_;
        config.architecture = architecture_;
        if (!version_.values.empty()) {
            // In the order of the key list, so that the resource depends on the values only.
            VersionInfo ordered;
            for (const VersionKey& key : versionKeys())
                if (const std::u16string* value = version_.find(key.key)) ordered.values.emplace_back(key.key, *value);
            config.resources.version = ordered;
        }
        config.resources.icon = icon_;
        config.configName = file_;
        return config;
    }

private:
    [[noreturn]] void fail(const std::string& where, const std::string& what) const {
        throw PackError(file_ + ": " + where + ": " + what);
    }
    [[noreturn]] void wrongType(const std::string& where, const std::string& expected, const Json& value) const {
        fail(where, "expected " + expected + ", got " + value.type_name());
    }

    static std::vector<WideRecord> records(const Table<std::u16string>& table) {
        std::vector<WideRecord> out;
        for (const auto& [id, placed] : table) out.emplace_back(id, placed.value);
        return out;
    }

    void checkLength(const std::string& where, size_t length, size_t limit) const {
        if (limit != 0 && length > limit)
            fail(where, "too long: " + std::to_string(length) + " characters, the launcher reads at most " +
                            std::to_string(limit));
    }

    // An 8-bit text for the base table.
    std::string latin1(const Json& value, const std::string& where) const {
        if (!value.is_string()) wrongType(where, "a string", value);
        std::string text = utf8ToLatin1(value.get<std::string>(), file_ + ": " + where);
        if (text.find('\0') != std::string::npos) fail(where, "contains a NUL character, which ends a text in the launcher");
        return text;
    }

    std::u16string utf16(const Json& value, const std::string& where) const {
        if (!value.is_string()) wrongType(where, "a string", value);
        std::u16string text = utf8ToUtf16(value.get<std::string>(), file_ + ": " + where);
        if (text.find(u'\0') != std::u16string::npos)
            fail(where, "contains a NUL character, which ends a text in the launcher");
        checkLength(where, text.size(), kWideMaxLength);
        return text;
    }

    // Integers are stored as decimal text; the launcher parses them as int32.
    std::string decimal(const Json& value, const std::string& where, bool allowBoolean) const {
        if (allowBoolean && value.is_boolean()) return value.get<bool>() ? "1" : "0";
        if (!value.is_number_integer())
            wrongType(where, allowBoolean ? "an integer or a boolean" : "an integer", value);
        bool fits = value.is_number_unsigned() ? value.get<uint64_t>() <= INT32_MAX
                                               : value.get<int64_t>() >= INT32_MIN && value.get<int64_t>() <= INT32_MAX;
        if (!fits) fail(where, "out of range (a 32-bit signed integer)");
        return std::to_string(value.get<int64_t>());
    }

    void putBase(ConfigId id, std::string value, const std::string& where) {
        checkLength(where, value.size(), baseMaxLength(id));
        auto [it, inserted] = base_.emplace(id, Placed<std::string>{std::move(value), where});
        if (!inserted) fail(where, "entry " + std::to_string(id) + " is also given by " + it->second.where);
    }

    void putWide(Table<std::u16string>& table, ConfigId id, std::u16string value, const std::string& where) {
        auto [it, inserted] = table.emplace(id, Placed<std::u16string>{std::move(value), where});
        if (!inserted) fail(where, "wide entry " + std::to_string(id) + " is also given by " + it->second.where);
    }

    // Checks that an object only has the given keys and that the required ones are there.
    void checkObject(const Json& value, const std::string& where, const std::set<std::string>& allowed,
                     const std::set<std::string>& required) const {
        if (!value.is_object()) wrongType(where, "an object", value);
        for (const auto& [key, item] : value.items())
            if (!allowed.count(key)) fail(where + "." + key, "unknown key");
        for (const std::string& key : required)
            if (!value.contains(key)) fail(where, "missing \"" + key + "\"");
    }

    std::string typeLetter(const Json& value, const std::string& where, const char* letters) const {
        std::string text = latin1(value, where);
        if (text.size() != 1 || !std::strchr(letters, text[0])) {
            std::string choices;
            for (const char* p = letters; *p; ++p) choices += std::string(choices.empty() ? "" : ", ") + *p;
            fail(where, "expected one of " + choices + ", got \"" + value.get<std::string>() + "\"");
        }
        return text;
    }

    std::string listValue(const Json& value, const std::string& where, char separator) const {
        std::string text = latin1(value, where);
        if (text.find(separator) != std::string::npos)
            fail(where, std::string("must not contain \"") + separator + "\", which separates the list's items");
        return text;
    }

    // A list key: an array of items, or the stored text itself as a string.
    std::string listEntry(const ConfigKey& key, const Json& value) const {
        const std::string where = key.name;
        if (value.is_string()) return latin1(value, where);
        if (!value.is_array()) wrongType(where, "an array (or the stored text as a string)", value);
        std::string joined;
        char separator = key.form == KeyForm::NameList ? key.letters[0] : ';';
        for (size_t i = 0; i < value.size(); ++i) {
            const Json& item = value[i];
            const std::string at = indexed(where, i);
            if (i > 0) joined += separator;
            if (key.form == KeyForm::NameList) {
                joined += listValue(item, at, separator);
            } else if (key.form == KeyForm::ClassPathList) {
                checkObject(item, at, {"type", "required", "value"}, {"type", "value"});
                joined += typeLetter(item["type"], at + ".type", key.letters);
                bool required = false;
                if (item.contains("required")) {
                    if (!item["required"].is_boolean()) wrongType(at + ".required", "a boolean", item["required"]);
                    required = item["required"].get<bool>();
                }
                joined += required ? '1' : '0';
                joined += listValue(item["value"], at + ".value", ';');
            } else {
                checkObject(item, at, {"type", "value"}, {"type"});
                joined += typeLetter(item["type"], at + ".type", key.letters);
                if (item.contains("value")) joined += listValue(item["value"], at + ".value", ';');
            }
        }
        return joined;
    }

    void parseKnownKey(const ConfigKey& key, const Json& value) {
        switch (key.form) {
            case KeyForm::Text:
                putBase(key.id, latin1(value, key.name), key.name);
                break;
            case KeyForm::Number:
            case KeyForm::Switch:
                putBase(key.id, decimal(value, key.name, key.form == KeyForm::Switch), key.name);
                break;
            case KeyForm::Seconds:
            case KeyForm::Count:
                if (value.is_number_integer() && !value.is_number_unsigned() && value.get<int64_t>() < 0)
                    fail(key.name, key.form == KeyForm::Seconds ? "must not be negative (a number of seconds)"
                                                                : "must not be negative");
                putBase(key.id, decimal(value, key.name, false), key.name);
                break;
            case KeyForm::Account:
                putBase(key.id, serviceAccount(value, key.name), key.name);
                break;
            case KeyForm::FailureActions:
                putBase(key.id, failureActions(value, key.name), key.name);
                break;
            case KeyForm::NameList:
            case KeyForm::ClassPathList:
            case KeyForm::SearchList:
                putBase(key.id, listEntry(key, value), key.name);
                break;
            case KeyForm::Localized:
                putWide(wide_, key.id, utf16(value, key.name), key.name);
                break;
        }
    }

    std::string serviceAccount(const Json& value, const std::string& where) const {
        std::string text = latin1(value, where);
        if (accountKind(text) == AccountKind::Invalid)
            fail(where, "expected \"LocalSystem\", \"LocalService\", \"NetworkService\", \"virtual\" or a user "
                        "\"DOMAIN\\user\" (\".\\user\" on the machine itself), got \"" +
                            value.get<std::string>() + "\"");
        return text;
    }

    // A non-negative integer that the failure actions entry holds.
    uint32_t failureNumber(const Json& value, const std::string& where, const char* unit) const {
        if (!value.is_number_integer()) wrongType(where, "an integer", value);
        if (!value.is_number_unsigned() && value.get<int64_t>() < 0)
            fail(where, std::string("must not be negative (") + unit + ")");
        if (value.get<uint64_t>() > kMaxFailureNumber)
            fail(where, "out of range (at most " + std::to_string(kMaxFailureNumber) + ")");
        return static_cast<uint32_t>(value.get<uint64_t>());
    }

    std::string failureActions(const Json& value, const std::string& where) const {
        checkObject(value, where, {"resetSeconds", "actions", "failOnNonZeroExit"}, {"resetSeconds", "actions"});
        FailureActions actions;
        actions.resetSeconds = failureNumber(value["resetSeconds"], where + ".resetSeconds", "a number of seconds");
        const std::string listWhere = where + ".actions";
        const Json& list = value["actions"];
        if (!list.is_array()) wrongType(listWhere, "an array", list);
        if (list.empty()) fail(listWhere, "expected at least one action");
        if (list.size() > kMaxFailureActions)
            fail(listWhere, "at most " + std::to_string(kMaxFailureActions) +
                                " actions (the first, the second and every later failure), got " +
                                std::to_string(list.size()));
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string at = indexed(listWhere, i);
            const Json& item = list[i];
            checkObject(item, at, {"type", "delayMs"}, {"type"});
            if (!item["type"].is_string()) wrongType(at + ".type", "a string", item["type"]);
            const std::string type = item["type"].get<std::string>();
            FailureAction action;
            if (type == "restart") {
                if (!item.contains("delayMs")) fail(at, "missing \"delayMs\"");
                action.restart = true;
                action.delayMs = failureNumber(item["delayMs"], at + ".delayMs", "milliseconds");
            } else if (type == "none") {
                if (item.contains("delayMs")) fail(at + ".delayMs", "only a restart has a delay");
            } else {
                fail(at + ".type", "expected one of restart, none, got \"" + type + "\"");
            }
            actions.actions.push_back(action);
        }
        if (value.contains("failOnNonZeroExit")) {
            const Json& flag = value["failOnNonZeroExit"];
            if (!flag.is_boolean()) wrongType(where + ".failOnNonZeroExit", "a boolean", flag);
            actions.failOnNonZeroExit = flag.get<bool>();
        }
        return encodeFailureActions(actions);
    }

    void parseRawBase(ConfigId id, const std::string& where, const Json& value) {
        if (id == cfg::kIncludedFileCount || id == cfg::kIncludedFileNames)
            fail(where, std::string("included files are given under \"") + kIncludedFilesKey +
                            "\", which also writes their contents");
        if (value.is_string())
            putBase(id, latin1(value, where), where);
        else if (value.is_number_integer() || value.is_boolean())
            putBase(id, decimal(value, where, true), where);
        else
            wrongType(where, "a string or an integer", value);
    }

    void parseVersionOptionSets(const Json& value) {
        const std::string where = kVersionOptionSetsKey;
        if (!value.is_array()) wrongType(where, "an array", value);
        putBase(cfg::kVersionOptionSetCount, std::to_string(value.size()), where);
        for (size_t i = 0; i < value.size(); ++i) {
            const std::string at = indexed(where, i);
            checkObject(value[i], at, {"condition", "options"}, {"condition", "options"});
            int index = static_cast<int>(i);
            putBase(cfg::versionOptionSetCondition(index), latin1(value[i]["condition"], at + ".condition"),
                    at + ".condition");
            std::string options = latin1(value[i]["options"], at + ".options");
            checkLength(at + ".options", options.size(), kVersionOptionsMaxLength);
            putBase(cfg::versionOptionSetOptions(index), options, at + ".options");
        }
    }

    void checkIncludedName(const std::string& name, const std::string& where) const {
        if (name.empty()) fail(where, "empty file name");
        if (name.find(';') != std::string::npos) fail(where, "must not contain \";\", which separates the names");
        if (name.find('/') != std::string::npos) fail(where, "use a backslash between directory and file name");
        for (char c : name)
            if (static_cast<unsigned char>(c) < 0x20 || std::strchr(":*?\"<>|", c))
                fail(where, "contains a character not allowed in a Windows file name");
        size_t slash = name.find('\\');
        if (slash != std::string::npos && name.find('\\', slash + 1) != std::string::npos)
            fail(where, "at most one directory level (the launcher creates only the first one)");
        std::string directory = slash == std::string::npos ? "" : name.substr(0, slash);
        std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
        for (const std::string& part : {directory, file}) {
            if (part == "." || part == "..") fail(where, "must stay inside the launcher temp directory");
        }
        if (slash != std::string::npos && (directory.empty() || file.empty()))
            fail(where, "expected a directory name, a backslash and a file name");
    }

    // A file to include: a string path, relative to the config file, of a readable regular file.
    fs::path sourceFile(const Json& source, const std::string& where) const {
        if (!source.is_string()) wrongType(where, "a string", source);
        if (source.get<std::string>().empty()) fail(where, "empty path");
        fs::path path = fs::u8path(source.get<std::string>());
        if (path.is_relative()) path = baseDir_ / path;
        std::error_code error;
        auto status = fs::status(path, error);
        if (!fs::exists(status)) fail(where, "file not found: " + path.string());
        if (!fs::is_regular_file(status)) fail(where, "not a regular file: " + path.string());
        try {
            openForReading(path);
        } catch (const PackError& e) {
            fail(where, e.what());
        }
        return path;
    }

    static bool isVersionKey(const std::string& key) {
        for (const VersionKey& known : versionKeys())
            if (key == known.key) return true;
        return false;
    }

    void parseVersionKey(const std::string& key, const Json& value) {
        std::u16string text = utf16(value, key);
        if (key == "version") {
            std::string why;
            if (!parseVersionNumber(value.get<std::string>(), why))
                fail(key, "\"" + value.get<std::string>() + "\": " + why);
        } else {
            checkLength(key, text.size(), kVersionTextMaxLength);
        }
        version_.values.emplace_back(key, text);
    }

    void parseIcon(const Json& value) {
        fs::path path = sourceFile(value, kIconKey);
        std::error_code error;
        auto size = fs::file_size(path, error);
        if (error) fail(kIconKey, path.string() + ": cannot read: " + error.message());
        if (size > kMaxIconFileSize) fail(kIconKey, path.string() + ": larger than 16 MiB, too large for an icon");
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad()) fail(kIconKey, path.string() + ": cannot read: " + systemErrorText());
        icon_ = readIconFile(bytes, file_ + ": " + kIconKey + ": " + path.string());
    }

    // true (the default archive), false (none) or the path of another archive.
    void parseRuntimeArchive(const Json& value) {
        if (value.is_boolean()) {
            runtimeArchive_.mode = value.get<bool>() ? RuntimeArchiveChoice::Mode::Default : RuntimeArchiveChoice::Mode::Off;
            return;
        }
        if (!value.is_string()) wrongType(kRuntimeArchiveKey, "a boolean or the path of an archive", value);
        runtimeArchive_.mode = RuntimeArchiveChoice::Mode::Given;
        runtimeArchive_.source = sourceFile(value, kRuntimeArchiveKey);
    }

    void parseIncludedFiles(const Json& value) {
        const std::string where = kIncludedFilesKey;
        if (!value.is_array()) wrongType(where, "an array", value);
        std::string names;
        for (size_t i = 0; i < value.size(); ++i) {
            const std::string at = indexed(where, i);
            checkObject(value[i], at, {"name", "source", "size"}, {"name", "source"});
            std::string name = latin1(value[i]["name"], at + ".name");
            checkIncludedName(name, at + ".name");
            // "size" is what inspect reports; the source file decides.
            if (value[i].contains("size") && !value[i]["size"].is_number_integer())
                wrongType(at + ".size", "an integer", value[i]["size"]);
            fs::path path = sourceFile(value[i]["source"], at + ".source");
            if (i > 0) names += ';';
            names += name;
            files_.push_back({name, path});
        }
        if (files_.empty()) return;
        putBase(cfg::kIncludedFileCount, std::to_string(files_.size()), where);
        putBase(cfg::kIncludedFileNames, names, where);
    }

    // messages (message ids only) or wide (any id): id -> text.
    void parseWideTable(const Json& value, const std::string& where, Table<std::u16string>& table, bool messagesOnly) {
        if (!value.is_object()) wrongType(where, "an object of id: text", value);
        for (const auto& [key, text] : value.items()) {
            const std::string at = where + "." + key;
            ConfigId id = 0;
            if (!parseRawId(key, id)) fail(at, "expected a numeric id");
            if (messagesOnly && !isMessageId(id)) {
                std::string known;
                for (ConfigId message : messageIds()) known += (known.empty() ? "" : ", ") + std::to_string(message);
                fail(at, "not a message id (" + known + "); other wide-table entries go under \"" + kWideKey + "\"");
            }
            putWide(table, id, utf16(text, at), at);
        }
    }

    void parseLocales(const Json& value) {
        const std::string where = kLocalesKey;
        if (!value.is_array()) wrongType(where, "an array", value);
        const char* description = findKeyById(cfg::kServiceDescription)->name;
        for (size_t i = 0; i < value.size(); ++i) {
            const std::string at = indexed(where, i);
            checkObject(value[i], at, {"prefix", kMessagesKey, kWideKey, description}, {"prefix"});
            LocaleSection section;
            section.prefix = latin1(value[i]["prefix"], at + ".prefix");
            Table<std::u16string> table;
            for (const auto& [key, item] : value[i].items()) {
                if (key == kMessagesKey || key == kWideKey)
                    parseWideTable(item, at + "." + key, table, key == kMessagesKey);
                else if (key == description)
                    putWide(table, cfg::kServiceDescription, utf16(item, at + "." + key), at + "." + key);
            }
            section.records = records(table);
            sections_.push_back(std::move(section));
        }
    }

    std::string file_;
    fs::path baseDir_;
    Table<std::string> base_;
    Table<std::u16string> wide_;
    std::vector<LocaleSection> sections_;
    std::vector<IncludedFile> files_;
    RuntimeArchiveChoice runtimeArchive_;
    std::string architecture_;
    VersionInfo version_;
    std::vector<IconImage> icon_;
};

// "file:line:column: what" for a syntax error.
PackError syntaxError(const std::string& file, const std::string& text, const Json::parse_error& e) {
    std::string message = e.what();
    std::smatch match;
    static const std::regex located(R"(line (\d+), column (\d+): (.*))");
    if (std::regex_search(message, match, located))
        return PackError(file + ":" + match[1].str() + ":" + match[2].str() + ": " + match[3].str());
    size_t line = 1, column = 1;
    for (size_t i = 0; i + 1 < e.byte && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    size_t colon = message.find("parse error");
    colon = message.find(": ", colon == std::string::npos ? 0 : colon);
    std::string what = colon == std::string::npos ? message : message.substr(colon + 2);
    return PackError(file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + what);
}

// "file:line:column: what" for a value the parser could not hold, placed at
// the first occurrence of the quoted text in the message.
PackError valueError(const std::string& file, const std::string& text, const Json::exception& e) {
    std::string message = e.what();
    size_t bracket = message.find("] ");
    std::string what = message.substr(bracket == std::string::npos ? 0 : bracket + 2);
    size_t open = what.find('\'');
    size_t close = open == std::string::npos ? std::string::npos : what.find('\'', open + 1);
    size_t at = close == std::string::npos ? std::string::npos : text.find(what.substr(open + 1, close - open - 1));
    if (at == std::string::npos) return PackError(file + ": " + what);
    size_t line = 1, column = 1;
    for (size_t i = 0; i < at; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return PackError(file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + what);
}

}  // namespace

PackConfig parsePackConfig(const std::string& text, const fs::path& configPath) {
    const std::string file = configPath.string();
    // JSON allows repeated keys and keeps the last; here that is a mistake.
    std::vector<std::set<std::string>> keysSeen;
    Json::parser_callback_t noteKeys = [&](int, Json::parse_event_t event, Json& parsed) {
        if (event == Json::parse_event_t::object_start) {
            keysSeen.emplace_back();
        } else if (event == Json::parse_event_t::object_end) {
            keysSeen.pop_back();
        } else if (event == Json::parse_event_t::key && !keysSeen.empty()) {
            std::string key = parsed.get<std::string>();
            if (!keysSeen.back().insert(key).second) throw PackError(file + ": " + key + ": duplicate key");
        }
        return true;
    };
    Json root;
    try {
        root = Json::parse(text, noteKeys);
    } catch (const Json::parse_error& e) {
        throw syntaxError(file, text, e);
    } catch (const Json::exception& e) {
        // A number beyond what a double holds (1E400) fails while parsing
        // but is no parse_error; it is bad input all the same.
        throw valueError(file, text, e);
    }
    return ConfigParser(configPath).parse(root);
}

std::string readConfigText(const fs::path& configPath) {
    std::error_code error;
    if (fs::is_directory(configPath, error)) throw PackError(configPath.string() + ": cannot read: is a directory");
    std::ifstream in(configPath, std::ios::binary);
    if (!in) throw PackError(configPath.string() + ": cannot read: " + systemErrorText());
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw PackError(configPath.string() + ": cannot read: " + systemErrorText());
    return text.str();
}

PackConfig loadPackConfig(const fs::path& configPath) { return parsePackConfig(readConfigText(configPath), configPath); }

fs::path defaultRuntimeArchivePath(const fs::path& toolDirectory) {
    const fs::path candidates[] = {toolDirectory / kRuntimeArchiveName, toolDirectory / "java" / kRuntimeArchiveName};
    for (const fs::path& candidate : candidates) {
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) return candidate.lexically_normal();
    }
    throw PackError(std::string("no runtime archive found (looked for ") + candidates[0].lexically_normal().string() +
                    " and " + candidates[1].lexically_normal().string() + "); give one with \"" + kRuntimeArchiveKey +
                    "\": \"PATH\", or leave it out with \"" + kRuntimeArchiveKey + "\": false");
}

namespace {

void setBaseRecord(ConfigBlock& block, ConfigId id, const std::string& value) {
    auto it = std::lower_bound(block.base.begin(), block.base.end(), id,
                               [](const BaseRecord& record, ConfigId wanted) { return record.first < wanted; });
    if (it != block.base.end() && it->first == id)
        it->second = value;
    else
        block.base.insert(it, BaseRecord(id, value));
}

// Windows file names ignore case (ASCII is enough for the fixed name).
bool sameFileName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace

void includeRuntimeArchive(PackConfig& config, const fs::path& toolDirectory) {
    using Mode = RuntimeArchiveChoice::Mode;
    const std::string& file = config.configName;
    if (config.runtimeArchive.mode == Mode::Off) return;
    char flavour = 0;
    for (const BaseRecord& record : config.block.base)
        if (record.first == cfg::kLauncherFlavour) flavour = record.second.empty() ? 0 : record.second[0];
    if (flavour != 'e') {
        // Only the launcher flavour puts the launcher temp directory's archives on the class path.
        if (config.runtimeArchive.mode == Mode::Given)
            throw PackError(file + ": " + kRuntimeArchiveKey +
                            ": only a launcher of flavour \"e\" (launcherFlavour) takes the runtime archive");
        return;
    }
    for (size_t i = 0; i < config.files.size(); ++i)
        if (sameFileName(config.files[i].name, kRuntimeArchiveName))
            throw PackError(file + ": " + kIncludedFilesKey + "[" + std::to_string(i) + "].name: \"" +
                            config.files[i].name + "\" is the runtime archive's name; to include it yourself set \"" +
                            kRuntimeArchiveKey + "\": false");
    fs::path source = config.runtimeArchive.mode == Mode::Given ? config.runtimeArchive.source
                                                                 : defaultRuntimeArchivePath(toolDirectory);
    config.files.push_back({kRuntimeArchiveName, source});
    std::string names;
    for (const IncludedFile& included : config.files) names += (names.empty() ? "" : ";") + included.name;
    setBaseRecord(config.block, cfg::kIncludedFileCount, std::to_string(config.files.size()));
    setBaseRecord(config.block, cfg::kIncludedFileNames, names);
}
