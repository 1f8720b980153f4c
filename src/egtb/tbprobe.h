// The tablebase boundary: registration of table files and probes of the
// current position.
#pragma once

#include <cstdint>

inline constexpr int TB_REGISTER = 3;

// tb_probe(TB_REGISTER, cache_kb) registers the tables under NalimovPath and
// returns the largest class found (0 none, else 3, 4 or 5).
// tb_probe(side, ep) returns the score for side, or 30000 for no result.
int tb_probe(int side_or_mode, int arg);

struct TablebaseCounters {
    int32_t probe_count;  // "tbhits"; reset at the start of each search
};
extern TablebaseCounters tb_counters;

// Scores of Syzygy results, which know the winner but not the distance to
// mate: below the mate range, so that no mate is announced.
inline constexpr int SYZYGY_WIN_SCORE = 28000;
inline constexpr int SYZYGY_LOSS_SCORE = -28000;

// When the Syzygy tables cover the game position and the Gaviota tables do
// not, writes into text the root moves (coordinate texts separated by
// blanks) that keep the best result, and among those the quickest progress
// for a win or the longest resistance for a loss. Returns the number of
// moves written, 0 for no restriction.
int tb_root_moves(int side, int ep, char* text, int size);
