#include "image/version_resource.h"

#include <algorithm>

namespace {

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr char16_t kTranslation[] = u"040904B0";  // U.S. English, UTF-16

class Writer {
public:
    std::vector<uint8_t> bytes;

    void pad() {
        while (bytes.size() % 4) bytes.push_back(0);
    }
    void put16(uint16_t v) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    void put32(uint32_t v) {
        put16(static_cast<uint16_t>(v));
        put16(static_cast<uint16_t>(v >> 16));
    }
    void text(const std::u16string& s) {
        for (char16_t c : s) put16(c);
        put16(0);
    }
    // Opens a node: length (patched by close), value length, type, key.
    size_t open(const std::u16string& key, uint16_t valueLength, bool textValue) {
        pad();
        size_t at = bytes.size();
        put16(0);
        put16(valueLength);
        put16(textValue ? 1 : 0);
        text(key);
        pad();
        return at;
    }
    void close(size_t at) {
        size_t length = bytes.size() - at;
        bytes[at] = static_cast<uint8_t>(length);
        bytes[at + 1] = static_cast<uint8_t>(length >> 8);
    }
};

std::u16string widen(const char* ascii) {
    std::u16string out;
    while (*ascii) out += static_cast<char16_t>(*ascii++);
    return out;
}

// Nodes of a version resource: key, value bytes and children.
struct Node {
    std::u16string key;
    uint16_t type = 0;
    std::vector<uint8_t> value;
    std::vector<Node> children;
};

uint16_t get16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

size_t align4(size_t v) { return (v + 3) & ~size_t{3}; }

bool readNode(const std::vector<uint8_t>& b, size_t at, size_t end, Node& node, int depth) {
    if (depth > 4 || at + 6 > end) return false;
    size_t length = get16(b, at), valueLength = get16(b, at + 2);
    node.type = get16(b, at + 4);
    if (length < 6 || at + length > end) return false;
    size_t nodeEnd = at + length, p = at + 6;
    for (;;) {
        if (p + 2 > nodeEnd) return false;
        char16_t c = get16(b, p);
        p += 2;
        if (!c) break;
        node.key += c;
    }
    p = align4(p);
    // Some writers count a text value in bytes: take what the node holds.
    size_t valueBytes = node.type == 1 ? std::min(2 * valueLength, nodeEnd - std::min(p, nodeEnd)) : valueLength;
    if (p + valueBytes > nodeEnd) return false;
    node.value.assign(b.begin() + p, b.begin() + p + valueBytes);
    p = align4(p + valueBytes);
    while (p + 6 <= nodeEnd) {
        Node child;
        if (!readNode(b, p, nodeEnd, child, depth + 1)) return false;
        p = align4(p + get16(b, p));
        node.children.push_back(std::move(child));
    }
    return true;
}

std::u16string textValue(const std::vector<uint8_t>& value) {
    std::u16string out;
    for (size_t i = 0; i + 1 < value.size(); i += 2) {
        char16_t c = get16(value, i);
        if (!c) break;
        out += c;
    }
    return out;
}

}  // namespace

const std::vector<VersionKey>& versionKeys() {
    static const std::vector<VersionKey> keys = {
        {"version", "FileVersion ProductVersion"},
        {"productName", "ProductName"},
        {"companyName", "CompanyName"},
        {"fileDescription", "FileDescription"},
        {"copyright", "LegalCopyright"},
    };
    return keys;
}

const std::u16string* VersionInfo::find(const std::string& key) const {
    for (const auto& [k, v] : values)
        if (k == key) return &v;
    return nullptr;
}

std::optional<std::array<uint16_t, 4>> parseVersionNumber(const std::string& text, std::string& why) {
    std::array<uint16_t, 4> parts{};
    size_t count = 0, start = 0;
    for (;;) {
        size_t dot = text.find('.', start);
        std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (count == 4) {
            why = "more than 4 parts (at most major.minor.build.revision, such as \"1.2.3.4\")";
            return std::nullopt;
        }
        if (part.empty() || part.size() > 5 || !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            why = "expected 1 to 4 numbers joined by dots, such as \"1.2.3.4\"";
            return std::nullopt;
        }
        unsigned long value = std::stoul(part);
        if (value > 0xFFFF) {
            why = "part " + part + " is above 65535";
            return std::nullopt;
        }
        parts[count++] = static_cast<uint16_t>(value);
        if (dot == std::string::npos) return parts;
        start = dot + 1;
    }
}

std::vector<uint8_t> versionResourceBytes(const VersionInfo& info) {
    std::array<uint16_t, 4> number{};
    if (const std::u16string* version = info.find("version")) {
        std::string ascii(version->begin(), version->end()), why;
        if (auto parsed = parseVersionNumber(ascii, why)) number = *parsed;
    }
    uint32_t ms = static_cast<uint32_t>(number[0]) << 16 | number[1];
    uint32_t ls = static_cast<uint32_t>(number[2]) << 16 | number[3];

    Writer w;
    size_t root = w.open(u"VS_VERSION_INFO", 52, false);
    for (uint32_t v : {kFixedSignature, 0x00010000u, ms, ls, ms, ls,
                       0x3Fu,        // the flags mask
                       0u,           // no flags
                       0x00040004u,  // VOS_NT_WINDOWS32
                       1u,           // VFT_APP
                       0u, 0u, 0u})  // subtype, date
        w.put32(v);
    // The string table in the usual order of its entry names.
    std::vector<std::pair<std::u16string, std::u16string>> strings;
    for (const VersionKey& key : versionKeys()) {
        const std::u16string* value = info.find(key.key);
        if (!value) continue;
        std::string names = key.strings;
        for (size_t start = 0; start < names.size();) {
            size_t space = names.find(' ', start);
            if (space == std::string::npos) space = names.size();
            strings.emplace_back(widen(names.substr(start, space - start).c_str()), *value);
            start = space + 1;
        }
    }
    std::sort(strings.begin(), strings.end());
    size_t fileInfo = w.open(u"StringFileInfo", 0, true);
    size_t table = w.open(kTranslation, 0, true);
    for (const auto& [name, value] : strings) {
        size_t entry = w.open(name, static_cast<uint16_t>(value.size() + 1), true);
        w.text(value);
        w.close(entry);
    }
    w.close(table);
    w.close(fileInfo);
    size_t varInfo = w.open(u"VarFileInfo", 0, true);
    size_t translation = w.open(u"Translation", 4, false);
    w.put16(0x0409);
    w.put16(1200);
    w.close(translation);
    w.close(varInfo);
    w.close(root);
    return w.bytes;
}

std::optional<VersionInfo> readVersionResource(const std::vector<uint8_t>& data) {
    Node root;
    if (!readNode(data, 0, data.size(), root, 0) || root.key != u"VS_VERSION_INFO" || root.value.size() < 4 ||
        get16(root.value, 0) != (kFixedSignature & 0xFFFF) || get16(root.value, 2) != (kFixedSignature >> 16))
        return std::nullopt;
    std::vector<std::pair<std::u16string, std::u16string>> strings;
    for (const Node& info : root.children)
        if (info.key == u"StringFileInfo" && !info.children.empty())
            for (const Node& entry : info.children.front().children) strings.emplace_back(entry.key, textValue(entry.value));
    VersionInfo out;
    for (const VersionKey& key : versionKeys()) {
        std::string first = key.strings;
        first = first.substr(0, first.find(' '));
        // The first string of the name counts, as VerQueryValueW finds it.
        for (const auto& [name, value] : strings)
            if (name == widen(first.c_str())) {
                out.values.emplace_back(key.key, value);
                break;
            }
    }
    return out;
}
