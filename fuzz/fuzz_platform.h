// What the fuzz build links in place of the engine's clock readings, pauses,
// calendar and process end.
#pragma once

// Thrown where the engine would end the process ("quit", a refused command,
// a fatal condition): the target catches it and goes on with the next input.
struct ProcessEnd {
    int status;
};

// The clock is a count of work, not of time: every reading advances it by a
// millisecond and by one millisecond per node searched since the last one,
// and a pause advances it by its length. Once a search has visited
// FUZZ_SEARCH_NODES nodes, the next reading lies just past the search's hard
// limit, so every search ends soon whatever its budget; only a ponder or
// infinite search waits on, for the commands still to come.
inline constexpr unsigned FUZZ_SEARCH_NODES = 1000;

// Back to time 0, before each input, so that every run of an input is the same.
void reset_fuzz_clock();
