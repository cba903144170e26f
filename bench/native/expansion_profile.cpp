// Drives the platform-free half of reading an options file as the launcher
// does it: every line split off, widened and expanded against an environment
// block. Run under callgrind by scripts/bench --profile; prints the time per
// line natively.
//   expansion_profile LINES VARIABLES [REFERENCES]
// LINES option lines, VARIABLES environment entries; with REFERENCES set to
// 1 every line refers to one of the variables.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "launch/options_file_text.h"
#include "launch/variable_expansion.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s LINES VARIABLES [REFERENCES]\n", argv[0]);
        return 2;
    }
    long lines = std::atol(argv[1]);
    long variables = std::atol(argv[2]);
    bool references = argc > 3 && std::atoi(argv[3]) != 0;

    std::string file;
    for (long i = 0; i < lines; ++i) {
        file += "-Dbench.option" + std::to_string(i) + "=value" + std::to_string(i);
        if (references && variables > 0) file += "${BENCH_VAR_" + std::to_string(i % variables) + "}";
        file += "\r\n";
    }
    std::wstring environment;
    for (long i = 0; i < variables; ++i) {
        std::string entry = "BENCH_VAR_" + std::to_string(i) + "=value-of-variable-" + std::to_string(i);
        environment.append(entry.begin(), entry.end());
        environment.push_back(L'\0');
    }
    environment.push_back(L'\0');

    LauncherVariableValues<wchar_t> values;
    values.executableDirectory = L"C:\\Program Files\\Bench\\";
    values.launcherTempDirectory = L"C:\\Users\\bench\\AppData\\Local\\Temp\\vbx1234.tmp_dir1";
    values.jvmHome = L"C:\\Program Files\\Java\\jre\\bin\\..";
    values.tempRoot = L"C:\\Users\\bench\\AppData\\Local\\Temp\\";

    size_t characters = 0;
    auto started = std::chrono::steady_clock::now();
    forEachOptionsFileLine(file.data(), file.size(), [&](const std::string& line) {
        std::wstring wide(line.begin(), line.end());
        expandWithValues(wide, values, environment.c_str());
        characters += wide.size();
    });
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("lines=%ld variables=%ld characters=%zu seconds=%.4f per_line_us=%.3f\n", lines, variables,
                characters, seconds, lines ? seconds * 1e6 / static_cast<double>(lines) : 0.0);
    return 0;
}
