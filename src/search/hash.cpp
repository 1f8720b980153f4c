// Placeholder: replaced by the shared-memory tables.
#include "search/hash.h"

HashTables hash_tables;

uint32_t transposition_entries_for(int32_t) { return 0; }
uint32_t cache_entries_for(int32_t) { return 0; }
int create_tables(int32_t, int32_t) { return -1; }
bool attach_tables() { return false; }
void release_tables() {}
void clear_hash_tables() {}
void clear_eval_caches() {}
HashProbe probe_hash(int, int32_t&) { return {30000, NO_DEPTH, -30000, NO_DEPTH, 0, false}; }
void store_hash(int, int, int, int, Move) {}
void shared_block_name(char* out, int out_size, const char*) {
    if (out_size > 0) out[0] = 0;
}
