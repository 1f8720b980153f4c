// Syzygy tables (win/draw/loss and distance to zeroing), read with the
// Fathom library.
#pragma once

#include <cstdint>

#include "egtb/directories.h"
#include "egtb/tables.h"

struct SyzygyTables {
    void* library;        // the loaded reader, nullptr until the first registration
    int32_t load_failed;  // the reader could not be loaded: no Syzygy tables at all
    int32_t active;       // the reader holds tables
    int32_t table_class;  // most men in a table found, counted up to 5
    char path[2048];      // the directories as the reader takes them, ':' between
    // By table number: results (and for the root, distances) may be probed.
    // A damaged file leaves out its table and every table that leads to it.
    int8_t results_usable[TABLE_COUNT + 1];
    int8_t distances_usable[TABLE_COUNT + 1];
};
extern SyzygyTables syzygy;

// Win/draw/loss results of the reader, from the side to move's view.
inline constexpr int SYZYGY_LOSS = 0;
inline constexpr int SYZYGY_BLESSED_LOSS = 1;  // lost, but the fifty-move rule saves it
inline constexpr int SYZYGY_DRAW = 2;
inline constexpr int SYZYGY_CURSED_WIN = 3;  // won, but not within fifty moves
inline constexpr int SYZYGY_WIN = 4;

// Files are named like KRvK.rtbw (results) and KRvK.rtbz (distances).
// Returns the class found (0 for none).
int register_syzygy_tables(const TablebaseDirectories& dirs);
void release_syzygy_tables();
// Loads the reader from this library at the next registration (nullptr: the
// one the engine was built with). Tests use it to see an engine without it.
void use_syzygy_reader(const char* library_name);

// The stored result for the side to move; false when no table answers.
bool probe_syzygy_wdl(const ProbePosition& p, int& wdl);

// One legal root move with its result for the mover and its distance to
// zeroing. Promotion: 0 none, else a piece code.
struct SyzygyRootMove {
    int32_t from;
    int32_t to;
    int32_t promotion;
    int32_t wdl;
    int32_t dtz;
};
inline constexpr int SYZYGY_MAX_ROOT_MOVES = 193;

// Rates every legal move of the position (no colour reversal: the squares
// are the board's) with the distance tables, taking the fifty-move counter
// into account. Returns the number of moves rated, 0 when the tables cannot.
int rate_syzygy_root_moves(const ProbePosition& p, int fifty_move_count, SyzygyRootMove* moves);
