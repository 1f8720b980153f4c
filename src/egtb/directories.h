// The tablebase directories named by the NalimovPath text, and the one way
// the engine ends when a table file is unusable.
#pragma once

#include <cstdint>

// The path text holds at most 511 characters, so at most 256 directories.
inline constexpr int MAX_TABLEBASE_DIRECTORIES = 256;

struct TablebaseDirectories {
    char text[512];  // the path with every separator replaced by '\0'
    const char* dir[MAX_TABLEBASE_DIRECTORIES];
    int32_t count;
};

// Splits the path at ',' and ';'. Every piece is a directory; an empty one
// stands for the current directory.
void split_tablebase_path(const char* path, TablebaseDirectories& out);

// dir + "/" + name (no separator after an empty directory). Returns false
// when the result does not fit.
bool join_tablebase_file_name(char* out, int size, const char* dir, const char* name);

// The shared blocks outlive a process that does not remove them, so a
// failed registration releases them first. The layer that owns them sits
// above the tablebases and installs the release here.
struct TablebaseFailure {
    void (*release_shared_blocks)();
};
extern TablebaseFailure tablebase_failure;

// Releases the shared blocks and ends the process with status 1.
[[noreturn]] void end_after_tablebase_failure();
// Writes the line (master only), then ends as above.
[[noreturn]] void tablebase_registration_failed(const char* format, ...)
    __attribute__((format(printf, 1, 2)));
