#include "image/resource_tree.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "base/pack_error.h"

namespace {

constexpr uint32_t kSubdirectory = 0x80000000u;
constexpr int kLevels = 3;  // type, name, language

uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 | static_cast<uint32_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t get16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

class Reader {
public:
    Reader(const std::vector<uint8_t>& section, uint32_t sectionRva, uint32_t base, const std::string& name)
        : s_(section), sectionRva_(sectionRva), base_(base), name_(name) {}

    void directory(uint32_t offset, int level, Resource path, std::vector<Resource>& out) {
        if (++visited_ > kMaxResources) fail("more resources than an executable holds");
        need(offset, 16);
        size_t count = static_cast<size_t>(get16(s_, base_ + offset + 12)) + get16(s_, base_ + offset + 14);
        need(offset + 16, 8 * count);
        for (size_t i = 0; i < count; ++i) {
            uint32_t at = offset + 16 + 8 * static_cast<uint32_t>(i);
            uint32_t key = get32(s_, base_ + at), target = get32(s_, base_ + at + 4);
            ResourceKey k;
            if (key & kSubdirectory) {
                uint32_t text = key & ~kSubdirectory;
                need(text, 2);
                uint16_t length = get16(s_, base_ + text);
                need(text + 2, 2u * length);
                k.named = true;
                for (uint16_t c = 0; c < length; ++c) k.name += static_cast<char16_t>(get16(s_, base_ + text + 2 + 2 * c));
            } else {
                if (key > 0xFFFF) fail("an entry id above 65535");
                k.id = static_cast<uint16_t>(key);
            }
            Resource next = path;
            (level == 0 ? next.type : level == 1 ? next.name : next.language) = k;
            bool isDirectory = (target & kSubdirectory) != 0;
            if (isDirectory != (level + 1 < kLevels)) fail("a directory of unexpected depth");
            if (isDirectory) {
                directory(target & ~kSubdirectory, level + 1, next, out);
            } else {
                need(target, 16);
                uint32_t rva = get32(s_, base_ + target), size = get32(s_, base_ + target + 4);
                next.codePage = get32(s_, base_ + target + 8);
                if (rva < sectionRva_ || rva - sectionRva_ > s_.size() || size > s_.size() - (rva - sectionRva_))
                    fail("resource data outside the resource section");
                size_t from = rva - sectionRva_;
                // Entries may share directories and data: a bound keeps a
                // crafted directory from multiplying them.
                copied_ += size;
                if (out.size() >= kMaxResources || copied_ > kMaxCopied) fail("more resources than an executable holds");
                next.data.assign(s_.begin() + from, s_.begin() + from + size);
                out.push_back(std::move(next));
            }
        }
    }

private:
    void need(uint64_t offset, uint64_t size) const {
        if (base_ + offset + size > s_.size()) fail("a directory entry outside the resource section");
    }
    [[noreturn]] void fail(const std::string& what) const {
        throw PackError(name_ + ": damaged resource section (" + what + ")");
    }

    static constexpr size_t kMaxResources = 20000;
    static constexpr uint64_t kMaxCopied = 512u << 20;

    const std::vector<uint8_t>& s_;
    uint64_t copied_ = 0;
    size_t visited_ = 0;
    uint32_t sectionRva_;
    uint64_t base_;
    const std::string& name_;
};

uint32_t alignUp8(uint32_t value) { return (value + 7) & ~7u; }

std::u16string upper(const std::u16string& text) {
    std::u16string out = text;
    for (char16_t& c : out)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return out;
}

}  // namespace

bool ResourceKey::operator<(const ResourceKey& o) const {
    // Names first, compared as the loader does (upper case); then ids.
    if (named != o.named) return named;
    if (named) return std::make_pair(upper(name), name) < std::make_pair(upper(o.name), o.name);
    return id < o.id;
}

std::vector<Resource> readResources(const std::vector<uint8_t>& section, uint32_t sectionRva, uint32_t directoryRva,
                                    const std::string& name) {
    if (directoryRva < sectionRva || directoryRva - sectionRva >= section.size())
        throw PackError(name + ": damaged resource section (the directory lies outside it)");
    std::vector<Resource> out;
    Reader(section, sectionRva, directoryRva - sectionRva, name).directory(0, 0, Resource{}, out);
    return out;
}

std::vector<uint8_t> writeResources(std::vector<Resource> resources, uint32_t sectionRva) {
    auto order = [](const Resource& a, const Resource& b) {
        return std::tie(a.type, a.name, a.language) < std::tie(b.type, b.name, b.language);
    };
    std::stable_sort(resources.begin(), resources.end(), order);
    // A later resource with the same type, name and language replaces an earlier one.
    std::vector<Resource> unique;
    for (Resource& r : resources) {
        if (!unique.empty() && !order(unique.back(), r))
            unique.back() = std::move(r);
        else
            unique.push_back(std::move(r));
    }

    // The tree: types, their names, their languages, each level sorted.
    using Languages = std::vector<size_t>;  // indices into unique
    std::map<ResourceKey, std::map<ResourceKey, Languages>> tree;
    for (size_t i = 0; i < unique.size(); ++i) tree[unique[i].type][unique[i].name].push_back(i);

    // Layout: every directory table (root, types, names), then the data
    // entries, then the name strings, then the data, each 8-byte aligned.
    auto tableSize = [](size_t entries) { return 16 + 8 * static_cast<uint32_t>(entries); };
    uint32_t size = tableSize(tree.size());
    std::map<const void*, uint32_t> tableAt;
    for (auto& [type, names] : tree) {
        tableAt[&names] = size;
        size += tableSize(names.size());
    }
    for (auto& [type, names] : tree)
        for (auto& [key, languages] : names) {
            tableAt[&languages] = size;
            size += tableSize(languages.size());
        }
    uint32_t entriesAt = size;
    size += 16 * static_cast<uint32_t>(unique.size());
    std::map<std::u16string, uint32_t> stringAt;
    auto addString = [&](const ResourceKey& key) {
        if (key.named && !stringAt.count(key.name)) {
            stringAt[key.name] = size;
            size += 2 + 2 * static_cast<uint32_t>(key.name.size());
        }
    };
    for (const Resource& r : unique) {
        addString(r.type);
        addString(r.name);
        addString(r.language);
    }
    std::vector<uint32_t> dataAt;
    for (const Resource& r : unique) {
        size = alignUp8(size);
        dataAt.push_back(size);
        size += static_cast<uint32_t>(r.data.size());
    }

    std::vector<uint8_t> out(size, 0);
    using Children = std::vector<std::pair<ResourceKey, uint32_t>>;  // key, target offset (with the flag)
    auto table = [&](uint32_t at, const Children& children) {
        uint16_t named = 0;
        for (const auto& child : children) named += child.first.named ? 1 : 0;
        put16(out, at + 12, named);
        put16(out, at + 14, static_cast<uint16_t>(children.size() - named));
        for (size_t i = 0; i < children.size(); ++i) {
            const ResourceKey& key = children[i].first;
            uint32_t entry = at + 16 + 8 * static_cast<uint32_t>(i);
            put32(out, entry, key.named ? (stringAt[key.name] | kSubdirectory) : key.id);
            put32(out, entry + 4, children[i].second);
        }
    };
    Children types;
    for (auto& [type, names] : tree) {
        types.emplace_back(type, tableAt[&names] | kSubdirectory);
        Children nameChildren;
        for (auto& [key, languages] : names) {
            nameChildren.emplace_back(key, tableAt[&languages] | kSubdirectory);
            Children languageChildren;
            for (size_t index : languages)
                languageChildren.emplace_back(unique[index].language, entriesAt + 16 * static_cast<uint32_t>(index));
            table(tableAt[&languages], languageChildren);
        }
        table(tableAt[&names], nameChildren);
    }
    table(0, types);
    for (size_t i = 0; i < unique.size(); ++i) {
        uint32_t entry = entriesAt + 16 * static_cast<uint32_t>(i);
        put32(out, entry, sectionRva + dataAt[i]);
        put32(out, entry + 4, static_cast<uint32_t>(unique[i].data.size()));
        put32(out, entry + 8, unique[i].codePage);
        std::copy(unique[i].data.begin(), unique[i].data.end(), out.begin() + dataAt[i]);
    }
    for (const auto& [text, at] : stringAt) {
        put16(out, at, static_cast<uint16_t>(text.size()));
        for (size_t c = 0; c < text.size(); ++c) put16(out, at + 2 + 2 * static_cast<uint32_t>(c), text[c]);
    }
    return out;
}
