#include "pack_build.h"

#include <cstring>
#include <sys/stat.h>

#include "architecture.h"
#include "atomic_output.h"
#include "block_writer.h"
#include "config_json.h"
#include "config_keys.h"
#include "file_source.h"
#include "file_table.h"
#include "pack_error.h"

namespace fs = std::filesystem;

fs::path defaultStubPath(const fs::path& toolDirectory, const std::string& architecture) {
    bool x64 = architecture == "x64";
    const fs::path candidates[] = {toolDirectory / (x64 ? "launcher64.exe" : "launcher.exe"),
                                   toolDirectory / ".." / (x64 ? "win64" : "win32") / "launcher.exe"};
    for (const fs::path& candidate : candidates) {
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) return candidate.lexically_normal();
    }
    throw PackError("no launcher stub found (looked for " + candidates[0].lexically_normal().string() + " and " +
                    candidates[1].lexically_normal().string() + "); give one with --stub");
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

void buildLauncher(const fs::path& configPath, const fs::path& outputPath, const fs::path& stubPath,
                   const fs::path& toolDirectory) {
    // Everything that can be wrong with the input is found before the output exists.
    PackConfig config = loadPackConfig(configPath);
    includeRuntimeArchive(config, toolDirectory);
    std::vector<uint8_t> block = serializeBlock(config.block);
    std::string architecture = config.architecture.empty() ? "x86" : config.architecture;
    fs::path stubFile = stubPath.empty() ? defaultStubPath(toolDirectory, architecture) : stubPath;
    FilePtr stub = openForReading(stubFile);
    FileByteSource stubSource(stub.get());
    int64_t end = stubImageEnd(stubSource, stubFile.string());
    if (!config.architecture.empty()) {
        std::string actual = architectureName(stubMachine(stubSource));
        if (actual != config.architecture)
            throw PackError(stubFile.string() + ": " +
                            (actual.empty() ? "not a launcher of a known architecture" : "an " + actual + " launcher") +
                            ", but " + config.configName + " asks for \"" + kArchitectureKey + "\": \"" +
                            config.architecture + "\"");
    }

    int64_t total = end + static_cast<int64_t>(block.size());
    for (int64_t size : includedFileSizes(config.files)) total += 8 + size;
    if (total > kMaxLauncherSize)
        throw PackError(outputPath.string() + ": would be " + std::to_string(total) +
                        " bytes; a launcher addresses its own file with 32-bit offsets (at most " +
                        std::to_string(kMaxLauncherSize) + ")");

    struct stat info {};
    mode_t mode = fstat(fileno(stub.get()), &info) == 0 ? (info.st_mode & 0777) : 0755;
    AtomicOutput output(outputPath);
    std::rewind(stub.get());
    if (copyBytes(stub.get(), output.file(), end, false, outputPath.string()) != end)
        throw PackError(stubFile.string() + ": cannot read: " + systemErrorText());
    output.write(block.data(), block.size());
    writeFileTable(output.file(), config.files, outputPath.string());
    output.commit(mode);
}
