// Checks of table files before the readers are given them. The readers
// trust every offset, count and code a file holds, so a damaged file sends
// them outside it; a file is therefore read here the way its reader will
// read it, and left out unless everything it tells stays inside it.
#pragma once

#include <cstddef>
#include <cstdint>

enum TableFileKind { SYZYGY_RESULTS, SYZYGY_DISTANCES, GAVIOTA_DISTANCES };

// nullptr when the file of table number table (1..110) is sound, else what
// is wrong with it. mapped_size is what a reader that maps the file may
// read: the size rounded up to whole pages.
const char* check_table_bytes(const uint8_t* bytes, size_t size, size_t mapped_size, TableFileKind kind,
                              int table);

// The same for a file on disk; a file that cannot be read is not sound.
const char* check_table_file(const char* path, TableFileKind kind, int table);
