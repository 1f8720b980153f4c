// Transposition tables and evaluation caches, one of each per side to move,
// in named shared memory, plus the share block through which worker
// processes report to the master. No locks: the 32-bit key in each slot is
// the only check that an entry belongs to a position.
#pragma once

#include <cstdint>

#include "board/types.h"
#include "eval/eval_cache.h"

struct HashSlot {
    uint32_t key;  // hash_key_high of the position, 0 when empty
    int32_t move;
    int32_t upper;        // 30000 when no upper bound
    int32_t lower;        // -30000 when no lower bound
    int32_t upper_depth;  // NO_DEPTH when none
    int32_t lower_depth;
    int32_t failed_low;
};

// Slot A with the search id that last claimed it, then slot B.
struct HashEntry {
    HashSlot a;
    int32_t search_id;
    HashSlot b;
};
static_assert(sizeof(HashEntry) == 60, "a transposition entry is 15 words");

// The share block: 128 words in use out of 512 bytes.
inline constexpr int SHARE_BLOCK_BYTES = 512;
inline constexpr int SHARE_NODES_WORD = 0;     // 2w, 2w+1: node count of worker w
inline constexpr int SHARE_ENTRIES_WORD = 64;  // 64+w: slots newly claimed by worker w
inline constexpr int SHARE_LOAD_WORD = 96;     // 96+w: processor load of worker w, per mille
inline constexpr int SHARE_SLOTS = 32;

// What a probe found (bounds and depths set to their empty values on a miss).
struct HashProbe {
    int32_t upper;
    int32_t upper_depth;
    int32_t lower;
    int32_t lower_depth;
    int32_t failed_low;
    bool hit;
};

struct HashTables {
    HashEntry* table[2];   // by side to move: 0 "_wttable", 1 "_bttable"
    int32_t* share_block;  // 128 words
    uint32_t entry_count;  // N
    uint32_t table_total;  // 2 N, the denominator of hashfull
    int32_t kilobytes;     // K, the size in use
    int32_t search_id;     // this process's search counter
    int32_t new_entries;   // slot A claims for new positions in this "go"
    bool held;             // this process holds mapped tables
};
extern HashTables hash_tables;

// The bucket of a position in the table of side: its low key half modulo N.
inline HashEntry& hash_entry(int side, uint32_t key_low) {
    return hash_tables.table[side][key_low % hash_tables.entry_count];
}

// The smallest table size: smaller requests get this many kilobytes.
inline constexpr int32_t MIN_HASH_KILOBYTES = 256;
inline int32_t at_least_min_hash(int32_t kilobytes) {
    return kilobytes < MIN_HASH_KILOBYTES ? MIN_HASH_KILOBYTES : kilobytes;
}

// Table dimensions for a size in kilobytes (raised to MIN_HASH_KILOBYTES).
uint32_t transposition_entries_for(int32_t kilobytes);
uint32_t cache_entries_for(int32_t kilobytes);

// Master: creates, maps and clears the five blocks (and the history table).
// Worker: only computes the dimensions. Returns K or -1. The board and the
// game are the caller's to reset (reset_game_state).
int create_tables(int32_t kilobytes, int32_t pieces);
// Worker: opens the master's five blocks by name. Returns false on failure.
bool attach_tables();
void release_tables();
void clear_hash_tables();
void clear_eval_caches();

// Mate scores in the tree count plies from the root; the tables hold them
// counted from the stored node, as that node would score them at the root,
// so that an entry reads right at any ply and in any later search. Scores
// short of mate pass unchanged, and no stored score reaches the empty
// bounds' 30000 and -30000.
int32_t score_to_table(int score, int ply);
int score_from_table(int32_t stored, int ply);

// Probes the table of side for the current position, a node at ply; move is
// written only on a hit.
HashProbe probe_hash(int side, int ply, int32_t& move);
void store_hash(int side, int ply, int score, int depth, int bound, Move move);

// What the workers report in the share block, summed over its slots (0
// without a share block): nodes searched, slots newly claimed in this "go",
// processor load in thousandths.
uint64_t worker_node_total();
int64_t worker_claimed_total();
int64_t worker_load_total();

// Shared-memory names: "/jux_" + name_suffix + suffix.
void shared_block_name(char* out, int out_size, const char* suffix);
