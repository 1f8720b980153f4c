// What the fuzz targets share, and what the fuzz build links in place of the
// engine's clock, pauses, calendar and process end.
#pragma once

#include <cstddef>
#include <string>

// The start of a master process: tables built, shared memory named after this
// process, standard output discarded.
void start_engine();

// A private directory that is the working directory while the engine reads
// "jux.book". Targets that enter it call keep_artifacts_here first, so that
// libFuzzer still writes its findings where it was started.
struct ScratchDirectory {
    std::string path;
    int home_fd = -1;
};
void create_scratch_directory(ScratchDirectory& scratch);
void enter_scratch_directory(ScratchDirectory& scratch);
void leave_scratch_directory(ScratchDirectory& scratch);
void write_scratch_file(const ScratchDirectory& scratch, const char* name, const void* data, size_t size);
void keep_artifacts_here(int* argc, char*** argv);

// The engine's global state, saved once and put back before every input, so
// that an input does the same on every run.
void save_engine_state();
void restore_engine_state();

// A finding: prints what was wrong and aborts, for libFuzzer to keep the input.
void require(bool condition, const char* what, const std::string& detail);

// Thrown where the engine would end its process.
struct ProcessEnd {
    int status;
};

// The clock counts work, not time: a reading advances it by a millisecond and
// one more per node searched since the last, a pause by its length. Past
// FUZZ_SEARCH_NODES nodes the next reading lies past the search's hard limit,
// so every search ends soon; only a ponder or infinite search waits on.
inline constexpr unsigned FUZZ_SEARCH_NODES = 1000;
void reset_fuzz_clock();  // back to time 0 before each input
