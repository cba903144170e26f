#include "core/phase_times.h"

#ifdef VBX_PHASE_TIMES

#include <windows.h>

#include <cstdio>

// Declared by the headers for Windows 8 and later only; the phase build runs
// where it exists.
extern "C" __declspec(dllimport) void WINAPI GetSystemTimePreciseAsFileTime(LPFILETIME);

namespace {

struct Mark {
    const char* name;
    unsigned long long time;
};

Mark marks[48];
volatile LONG used = 0;
volatile LONG written = 0;

// Microseconds since 1970, the clock the benchmark's own timestamps use.
unsigned long long microseconds(const FILETIME& time) {
    unsigned long long ticks = (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return (ticks - 116444736000000000ULL) / 10;
}

}  // namespace

void markPhase(const char* name) {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    LONG slot = InterlockedIncrement(&used) - 1;
    if (slot < static_cast<LONG>(sizeof marks / sizeof marks[0])) marks[slot] = {name, microseconds(now)};
}

void writePhaseTimes() {
    if (InterlockedExchange(&written, 1) != 0) return;
    markPhase("exit");
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("VORBIX_PHASE_TIMES", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    FILE* file = std::fopen(path, "a");
    if (!file) return;
    std::fprintf(file, "created=%llu", microseconds(created));
    LONG count = used < static_cast<LONG>(sizeof marks / sizeof marks[0]) ? used : sizeof marks / sizeof marks[0];
    for (LONG i = 0; i < count; ++i) std::fprintf(file, " %s=%llu", marks[i].name, marks[i].time);
    std::fprintf(file, "\n");
    std::fclose(file);
}

#endif
