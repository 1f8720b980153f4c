// Named shared memory (POSIX shm_open + mmap).
#pragma once

#include <cstddef>

struct SharedBlock {
    void* view;  // nullptr when not mapped
    size_t size;
};

enum class ShmResult { ok, exists, failed };

// Creates a new block of size bytes under name (which must not exist yet)
// and maps it read/write, zero-filled.
ShmResult shm_create(const char* name, size_t size, SharedBlock& block);
// Opens an existing block and maps all of it.
bool shm_attach(const char* name, SharedBlock& block);
void shm_detach(SharedBlock& block);
// Removes the name; mappings stay valid until detached.
void shm_remove(const char* name);
