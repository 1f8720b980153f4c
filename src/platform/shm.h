// Named shared memory (POSIX shm_open + mmap), and the private memory that
// takes its place where nobody else needs the blocks.
#pragma once

#include <cstddef>

struct SharedBlock {
    void* view;  // nullptr when not mapped
    size_t size;
};

enum class ShmResult { ok, exists, failed };

// Creates a new block of size bytes under name (which must not exist yet)
// and maps it read/write, zero-filled. Unless keep_name is set, the name is
// removed as soon as the block is open, before its memory is reserved: the
// memory then lives exactly as long as its mappings, however the process
// ends. A block above the process's file-size limit fails.
ShmResult shm_create(const char* name, size_t size, bool keep_name, SharedBlock& block);
// Private memory of at least size bytes, zero-filled, for tables no other
// process opens; from 2 MB up in huge pages where the system gives them.
// False when none can be had.
bool private_block(size_t size, SharedBlock& block);
// Opens an existing block and maps all of it.
bool shm_attach(const char* name, SharedBlock& block);
// Unmaps a block made by any of the three calls above.
void shm_detach(SharedBlock& block);
// Removes the name; mappings stay valid until detached.
void shm_remove(const char* name);
