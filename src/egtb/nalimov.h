// Registration of Nalimov table files (".nbw"/".nbb", plain or compressed as
// ".emd"). The engine has no decoder for their contents: registered tables
// count for the class of tablebases found, but probes never read them.
#pragma once

#include <cstdint>

#include "egtb/directories.h"
#include "egtb/tables.h"

inline constexpr int NALIMOV_FILE_NAME_SIZE = 600;
// Compressed files are cut into blocks of this many bytes before compression.
inline constexpr int NALIMOV_BLOCK_SIZE = 8192;

struct NalimovRegistry {
    char file[TABLE_COUNT + 1][2][NALIMOV_FILE_NAME_SIZE];  // by table and side to move, "" = none
    // Uncompressed length by table and side to move, 0 until known. Kept
    // across registrations: a table that changes length is corrupt.
    int64_t expected_length[TABLE_COUNT + 1][2];
    int32_t registered_count;
    int32_t largest_table;  // 0 when nothing is registered
};
extern NalimovRegistry nalimov;

// Forgets the earlier registrations and registers the files under dirs,
// first directory first. Returns the largest table number registered.
int register_nalimov_tables(const TablebaseDirectories& dirs);

// Class of the largest table: 5 above 35, 4 from 6, 3 from 1, else 0.
int tablebase_class(int largest_table);
