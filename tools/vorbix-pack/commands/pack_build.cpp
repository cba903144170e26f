#include "commands/pack_build.h"

#include <cstring>

#include "base/atomic_output.h"
#include "base/file_source.h"
#include "base/host_files.h"
#include "base/pack_error.h"
#include "config/architecture.h"
#include "config/block_writer.h"
#include "config/config_json.h"
#include "config/config_keys.h"
#include "config/file_table.h"
#include "image/app_resources.h"
#include "image/pe_image.h"

namespace fs = std::filesystem;

fs::path defaultStubPath(const fs::path& toolDirectory, const std::string& architecture) {
    bool x64 = architecture == "x64";
    const fs::path candidates[] = {toolDirectory / (x64 ? "launcher64.exe" : "launcher.exe"),
                                   toolDirectory / ".." / (x64 ? "win64" : "win32") / "launcher.exe"};
    for (const fs::path& candidate : candidates) {
        std::error_code error;
        if (!fs::is_regular_file(candidate, error)) continue;
        // Beside the Windows tool in the 64-bit cross build, launcher.exe is the 64-bit one.
        try {
            FilePtr file = openForReading(candidate);
            FileByteSource source(file.get());
            stubImageEnd(source, candidate.string());
            if (architectureName(stubMachine(source)) == (x64 ? "x64" : "x86")) return candidate.lexically_normal();
        } catch (const PackError&) {
        }
    }
    throw PackError("no " + std::string(x64 ? "x64" : "x86") + " launcher stub found (looked for " +
                    candidates[0].lexically_normal().string() + " and " + candidates[1].lexically_normal().string() +
                    "); give one with --stub");
}

uint16_t stubMachine(ByteSource& stub) {
    stub.seek(0x3C);
    int32_t pe = readInt(stub);
    stub.seek(static_cast<int64_t>(pe) + 4);
    return static_cast<uint16_t>(readShort(stub));
}

int64_t stubImageEnd(ByteSource& stub, const std::string& name) {
    uint8_t signature[4] = {};
    uint32_t bytesRead = 0, errorCode = 0;
    auto readAt = [&](int64_t at, uint32_t count) {
        stub.seek(at);
        return stub.read(signature, count, bytesRead, errorCode) && bytesRead == count;
    };
    if (!readAt(0, 2) || signature[0] != 'M' || signature[1] != 'Z') throw PackError(name + ": not a Windows executable");
    int64_t end = 0;
    try {
        stub.seek(0x3C);
        int32_t pe = readInt(stub);
        if (pe <= 0 || !readAt(pe, 4) || std::memcmp(signature, "PE\0\0", 4) != 0)
            throw PackError(name + ": not a Windows executable (no PE header)");
        seekConfigBlock(stub);
        end = stub.position();
    } catch (const PackError&) {
        throw;
    } catch (const BlockReadError& e) {
        throw PackError(name + ": damaged PE header (" + e.text + ")");
    } catch (...) {
        throw PackError(name + ": damaged PE header");
    }
    stub.seek(0);
    int64_t size = stub.position() + stub.remaining();
    if (end <= 0 || end > size)
        throw PackError(name + ": its last section ends at " + std::to_string(end) + ", behind the end of the file (" +
                        std::to_string(size) + " bytes)");
    return end;
}

namespace {

PeImage readStubHeaders(ByteSource& stub, const std::string& name) {
    std::vector<uint8_t> start = readStubBytes(stub, 0x400, name, true);
    size_t size = peHeaderSize(start);
    if (size > start.size()) start = readStubBytes(stub, static_cast<int64_t>(size), name, true);
    return readPeImage(start, name);
}

}  // namespace

std::vector<uint8_t> readStubBytes(ByteSource& stub, int64_t size, const std::string& name, bool upTo) {
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    uint32_t got = 0, error = 0;
    stub.seek(0);
    if (size > 0 && !stub.read(bytes.data(), static_cast<uint32_t>(size), got, error))
        throw PackError(name + ": cannot read: " + systemErrorText());
    if (got != size) {
        if (!upTo) throw PackError(name + ": cut short");
        bytes.resize(got);
    }
    return bytes;
}

void writePeChecksum(std::FILE* file, uint32_t checksumOffset, const std::string& name) {
    PeChecksum checksum(checksumOffset);
    std::vector<uint8_t> buffer(1 << 20);
    if (std::fflush(file) != 0 || !seekFile(file, 0))
        throw PackError(name + ": cannot write: " + systemErrorText(), kExitWriteFailed);
    for (;;) {
        size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        checksum.add(buffer.data(), got);
        if (got < buffer.size()) break;
    }
    uint32_t sum = checksum.finish();
    uint8_t bytes[4] = {static_cast<uint8_t>(sum), static_cast<uint8_t>(sum >> 8), static_cast<uint8_t>(sum >> 16),
                        static_cast<uint8_t>(sum >> 24)};
    if (std::ferror(file) || !seekFile(file, checksumOffset) || std::fwrite(bytes, 1, 4, file) != 4 ||
        std::fflush(file) != 0)
        throw PackError(name + ": cannot write: " + systemErrorText(), kExitWriteFailed);
}

BuiltLauncher buildLauncher(const fs::path& configPath, const fs::path& outputPath, const fs::path& stubPath,
                            const fs::path& toolDirectory) {
    // Everything that can be wrong with the input is found before the output exists.
    PackConfig config = loadPackConfig(configPath);
    includeRuntimeArchive(config, toolDirectory);
    std::vector<uint8_t> block = serializeBlock(config.block);
    std::string architecture = config.architecture.empty() ? kDefaultArchitecture : config.architecture;
    fs::path stubFile = stubPath.empty() ? defaultStubPath(toolDirectory, architecture) : stubPath;
    FilePtr stub = openForReading(stubFile);
    FileByteSource stubSource(stub.get());
    int64_t end = stubImageEnd(stubSource, stubFile.string());
    std::string actual = architectureName(stubMachine(stubSource));
    if (!config.architecture.empty()) {
        if (actual != config.architecture)
            throw PackError(stubFile.string() + ": " +
                            (actual.empty() ? "not a launcher of a known architecture" : "an " + actual + " launcher") +
                            ", but " + config.configName + " asks for \"" + kArchitectureKey + "\": \"" +
                            config.architecture + "\"");
    }

    // The stub's headers change when the application's resources go in, or
    // when the stub was signed (its certificate table entry would point
    // behind the new end).
    std::vector<uint8_t> image;
    PeImage pe = readStubHeaders(stubSource, stubFile.string());
    bool signedStub = pe.directory(kDirectoryCertificates).size != 0;
    if (config.resources.any() || signedStub) {
        image = readStubBytes(stubSource, end, stubFile.string());
        image = rewriteStubImage(image, config.resources, stubFile.string());
        end = static_cast<int64_t>(image.size());
    }

    int64_t total = end + static_cast<int64_t>(block.size());
    for (int64_t size : includedFileSizes(config.files)) total += 8 + size;
    if (total > kMaxLauncherSize)
        throw PackError(outputPath.string() + ": would be " + std::to_string(total) +
                        " bytes; a launcher addresses its own file with 32-bit offsets (at most " +
                        std::to_string(kMaxLauncherSize) + ")");

    FileMode mode = fileModeOf(stub.get());
    AtomicOutput output(outputPath);
    if (!image.empty()) {
        output.write(image.data(), image.size());
    } else {
        std::rewind(stub.get());
        if (copyBytes(stub.get(), output.file(), end, false, outputPath.string()) != end)
            throw PackError(stubFile.string() + ": cannot read: " + systemErrorText());
    }
    output.write(block.data(), block.size());
    writeFileTable(output.file(), config.files, outputPath.string());
    // Rewritten headers get the checksum of the whole file.
    if (!image.empty()) writePeChecksum(output.file(), pe.checksumOffset, outputPath.string());
    output.commit(mode);
    return {actual, stubFile};
}
