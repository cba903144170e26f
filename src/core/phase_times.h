// Timestamps at the boundaries of the run path's phases, for the launch
// benchmark's phase table. Only a build configured with VBX_PHASE_TIMES
// records and writes them; in every other build both calls are empty.
#pragma once

#ifdef VBX_PHASE_TIMES
// Remembers the time (system clock, microseconds) with the phase's name.
void markPhase(const char* name);
// Appends one line to the file VORBIX_PHASE_TIMES names, once per process:
// "created=T name=T ..." with the process creation time first.
void writePhaseTimes();
#else
inline void markPhase(const char*) {}
inline void writePhaseTimes() {}
#endif
