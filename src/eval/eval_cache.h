// The evaluation caches, one per side to move: the score and in-check flag
// of evaluated positions. The memory behind them is the hash tables' (in
// shared memory with the transposition tables), which point them there.
#pragma once

#include <cstdint>

struct EvalCacheEntry {
    uint32_t key;  // hash_key_high of the position, 0 when empty
    int32_t score;
    int32_t in_check;
};
static_assert(sizeof(EvalCacheEntry) == 12, "an evaluation cache entry is 3 words");

struct EvalCaches {
    EvalCacheEntry* eval_cache[2];  // by side to move; nullptr when there is none
    uint32_t cache_count;           // M, entries in each
};
extern EvalCaches eval_caches;

// The entry of a position in the cache of side: its low key half modulo M.
inline EvalCacheEntry& eval_cache_entry(int side, uint32_t key_low) {
    return eval_caches.eval_cache[side][key_low % eval_caches.cache_count];
}
