// Gaviota tables (distance to mate), read with the Gaviota probing library.
#pragma once

#include <cstdint>

#include "egtb/directories.h"
#include "egtb/tables.h"

struct GaviotaTables {
    int32_t active;       // the library holds tables
    int32_t scheme;       // compression scheme of the files used (1..4)
    int32_t table_class;  // 3, 4 or 5: the most men in a table found
    int32_t cache_on;     // the library's block cache exists
    const char** paths;   // the directory list the library reads
    // By table number: may be probed. A damaged file leaves out its table
    // and every table that leads to it.
    int8_t usable[TABLE_COUNT + 1];
};
extern GaviotaTables gaviota;

// Files are named like kqkr.gtb.cp4; the library reads one compression
// scheme at a time, so the scheme with the most files under dirs is used.
// Returns the class found (0 for none).
int register_gaviota_tables(const TablebaseDirectories& dirs);
void release_gaviota_tables();
// (Re)creates the library's block cache; false when the memory is not there.
bool create_gaviota_cache(int64_t bytes);

// The stored distance to mate as a Nalimov value for the side to move.
// False when no table answers.
bool probe_gaviota(const ProbePosition& p, int& value);
