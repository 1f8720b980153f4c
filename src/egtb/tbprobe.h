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
