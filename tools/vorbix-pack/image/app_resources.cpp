#include "image/app_resources.h"

#include <algorithm>
#include <tuple>

#include "base/pack_error.h"

namespace {

constexpr uint16_t kNeutral = 0;
constexpr uint32_t kSectionFlags = 0x40000040;  // initialized data, readable
constexpr uint32_t kMaxResourceSection = 256u << 20;

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 | static_cast<uint32_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(b[at + 3]) << 24;
}

Resource resource(uint16_t type, uint16_t id, std::vector<uint8_t> data) {
    Resource r;
    r.type = ResourceKey::number(type);
    r.name = ResourceKey::number(id);
    r.language = ResourceKey::number(kNeutral);
    r.data = std::move(data);
    return r;
}

bool isType(const Resource& r, uint16_t type) { return !r.type.named && r.type.id == type; }

std::vector<Resource> ofTypes(const std::vector<Resource>& all, std::initializer_list<uint16_t> types) {
    std::vector<Resource> out;
    for (const Resource& r : all)
        for (uint16_t type : types)
            if (isType(r, type)) out.push_back(r);
    return out;
}

}  // namespace

std::vector<Resource> appResourceList(const AppResources& app) {
    std::vector<Resource> out;
    for (size_t i = 0; i < app.icon.size(); ++i)
        out.push_back(resource(kResourceIcon, static_cast<uint16_t>(i + 1), app.icon[i].data));
    if (!app.icon.empty()) out.push_back(resource(kResourceGroupIcon, 1, iconGroupBytes(app.icon, 1)));
    if (app.version) out.push_back(resource(kResourceVersion, 1, versionResourceBytes(*app.version)));
    return out;
}

AppResources readAppResources(const std::vector<Resource>& resources, std::vector<std::string>& warnings,
                              const std::string& name) {
    AppResources app;
    for (const Resource& r : resources) {
        if (isType(r, kResourceVersion) && !app.version) app.version = readVersionResource(r.data);
        if (isType(r, kResourceGroupIcon) && app.icon.empty()) {
            auto group = readIconGroup(r.data);
            for (const auto& [id, head] : group.value_or(std::vector<std::pair<uint16_t, IconImage>>{})) {
                auto image = std::find_if(resources.begin(), resources.end(), [&, id = id](const Resource& c) {
                    return isType(c, kResourceIcon) && !c.name.named && c.name.id == id;
                });
                if (image == resources.end()) continue;
                IconImage icon = head;
                icon.data = image->data;
                app.icon.push_back(std::move(icon));
            }
        }
    }
    // What build would write for what was found, against what is there.
    auto sorted = [](std::vector<Resource> list) {
        std::sort(list.begin(), list.end(), [](const Resource& a, const Resource& b) {
            return std::tie(a.type, a.name, a.language) < std::tie(b.type, b.name, b.language);
        });
        return list;
    };
    std::vector<Resource> again = appResourceList(app);
    if (sorted(ofTypes(again, {kResourceVersion})) != sorted(ofTypes(resources, {kResourceVersion})))
        warnings.push_back(name + ": its version resource was not written by vorbix-pack; build writes its own from "
                                  "the keys shown");
    if (sorted(ofTypes(again, {kResourceIcon, kResourceGroupIcon})) !=
        sorted(ofTypes(resources, {kResourceIcon, kResourceGroupIcon})))
        warnings.push_back(name + ": its icons were not written by vorbix-pack; build writes only the first icon group");
    return app;
}

std::vector<Resource> imageResources(ByteSource& source, const PeImage& image, const std::string& name) {
    PeDirectory directory = image.directory(kDirectoryResource);
    if (directory.address == 0 || directory.size == 0) return {};
    const PeSection* section = image.sectionAt(directory.address);
    if (!section) throw PackError(name + ": damaged resource section (its directory lies in no section)");
    uint32_t size = std::min(section->rawSize, std::max(section->virtualSize, directory.size));
    if (size > kMaxResourceSection) throw PackError(name + ": its resource section is larger than 256 MiB");
    std::vector<uint8_t> bytes(size);
    uint32_t got = 0, error = 0;
    source.seek(section->rawPointer);
    if (size > 0 && (!source.read(bytes.data(), size, got, error) || got != size))
        throw PackError(name + ": its resource section is cut short");
    return readResources(bytes, section->virtualAddress, directory.address, name);
}

std::vector<uint8_t> rewriteStubImage(const std::vector<uint8_t>& stub, const AppResources& app,
                                      const std::string& name) {
    PeImage pe = readPeImage(stub, name);
    if (!pe.knownOptionalHeader() || pe.directories.size() <= kDirectoryCertificates || pe.sections.empty())
        throw PackError(name + ": not a launcher whose resources vorbix-pack can write (no data directories)");
    std::vector<uint8_t> image = stub;
    size_t opt = pe.peOffset + 24;
    auto directoryAt = [&](int index) { return pe.directoriesOffset + 8 * static_cast<size_t>(index); };
    put32(image, directoryAt(kDirectoryCertificates), 0);
    put32(image, directoryAt(kDirectoryCertificates) + 4, 0);
    if (!app.any()) return image;

    MemoryByteSource source(stub.data(), stub.size());
    std::vector<Resource> resources = imageResources(source, pe, name);
    PeDirectory old = pe.directory(kDirectoryResource);
    std::vector<PeSection> kept = pe.sections;
    bool rebuild = old.address != 0 && kept.back().virtualAddress == old.address;
    uint32_t initialized = get32(image, opt + 8);
    if (rebuild) {
        initialized -= kept.back().rawSize;
        kept.pop_back();
    }
    resources.erase(std::remove_if(resources.begin(), resources.end(),
                                   [&](const Resource& r) {
                                       return (app.version && isType(r, kResourceVersion)) ||
                                              (!app.icon.empty() && (isType(r, kResourceIcon) ||
                                                                     isType(r, kResourceGroupIcon)));
                                   }),
                    resources.end());
    for (Resource& r : appResourceList(app)) resources.push_back(std::move(r));

    // The new section lies behind every kept one, in the file and in memory.
    uint32_t rawStart = pe.sizeOfHeaders, address = 0, firstRaw = UINT32_MAX;
    for (const PeSection& s : kept) {
        if (s.rawSize) {
            rawStart = std::max(rawStart, s.rawPointer + s.rawSize);
            firstRaw = std::min(firstRaw, s.rawPointer);
        }
        address = std::max(address, s.virtualAddress + alignUp(std::max(s.virtualSize, 1u), pe.sectionAlignment));
    }
    rawStart = alignUp(rawStart, pe.fileAlignment);
    address = alignUp(address, pe.sectionAlignment);
    size_t header = pe.sectionTableOffset() + 40 * kept.size();
    if (!rebuild) {
        bool free = header + 40 <= pe.sizeOfHeaders && header + 40 <= firstRaw &&
                    std::all_of(image.begin() + header, image.begin() + header + 40, [](uint8_t b) { return b == 0; });
        if (!free) throw PackError(name + ": no room in its headers for another section (the resources)");
    }
    std::vector<uint8_t> section = writeResources(resources, address);
    uint32_t size = static_cast<uint32_t>(section.size());
    uint32_t rawSize = alignUp(size, pe.fileAlignment);

    image.resize(rawStart, 0);
    image.insert(image.end(), section.begin(), section.end());
    image.resize(static_cast<size_t>(rawStart) + rawSize, 0);
    std::fill(image.begin() + header, image.begin() + header + 40, 0);
    const char sectionName[] = ".rsrc";
    std::copy(sectionName, sectionName + 5, image.begin() + header);
    put32(image, header + 8, size);
    put32(image, header + 12, address);
    put32(image, header + 16, rawSize);
    put32(image, header + 20, rawStart);
    put32(image, header + 36, kSectionFlags);
    put16(image, pe.peOffset + 6, static_cast<uint16_t>(kept.size() + 1));
    put32(image, opt + 8, initialized + rawSize);
    put32(image, opt + 56, alignUp(address + size, pe.sectionAlignment));
    put32(image, directoryAt(kDirectoryResource), address);
    put32(image, directoryAt(kDirectoryResource) + 4, size);
    return image;
}
