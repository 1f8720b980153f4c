// What the fuzz targets share, and the fuzz build's clock.
#pragma once

#include <cstddef>
#include <string>

// A master process: tables built, shared memory named after this process, standard output discarded.
void start_engine();

// The path of a private book file in a directory of its own, both removed at exit.
const std::string& scratch_book_path();
void write_file(const std::string& path, const void* data, size_t size);

// A finding: prints what was wrong and aborts, for libFuzzer to keep the input.
void require(bool condition, const char* what, const std::string& detail);

// Thrown where the engine would end its process.
struct ProcessEnd {
    int status;
};

// The clock counts work: a millisecond per reading and per node searched since the last; past
// FUZZ_SEARCH_NODES nodes it jumps beyond the hard limit, so only ponder or infinite searches wait on.
inline constexpr unsigned FUZZ_SEARCH_NODES = 1000;
void reset_fuzz_clock();  // back to time 0 before each input
