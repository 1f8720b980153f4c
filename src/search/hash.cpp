// Transposition tables, evaluation caches and the share block in named
// shared memory, and the two-slot probe and store rules.
#include "search/hash.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "board/geometry.h"
#include "board/position.h"
#include "core/options.h"
#include "core/output.h"
#include "core/role.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "platform/shm.h"
#include "search/node.h"
#include "search/ordering.h"

HashTables hash_tables;

namespace {

// The five blocks in the order they are created, attached and released.
enum Block { BT_TABLE, WT_TABLE, BP_TABLE, WP_TABLE, SHARE_ENTRY, BLOCK_COUNT };
const char* const block_suffix[BLOCK_COUNT] = {"_bttable", "_wttable", "_bptable", "_wptable",
                                               "_share_entry"};
const char* const block_error[BLOCK_COUNT] = {"no more bttable memory \n", "no more wttable memory \n",
                                              "no more bptable memory \n", "no more wptable memory \n",
                                              "no more share entry memory \n"};
SharedBlock blocks[BLOCK_COUNT];
bool names_linked = false;        // the names still exist and must be removed on release
NameGuard name_guard = {-1, -1};  // removes them should this process die first

const HashSlot empty_slot = {0, 0, MATE_SCORE, -MATE_SCORE, NO_DEPTH, NO_DEPTH, 0};

size_t block_size(int b) {
    if (b == BT_TABLE || b == WT_TABLE) return static_cast<size_t>(hash_tables.entry_count) * 60 + 75;
    if (b == BP_TABLE || b == WP_TABLE) return static_cast<size_t>(eval_caches.cache_count) * 12 + 27;
    return SHARE_BLOCK_BYTES;
}

// Tables start at the first multiple of 16 in their view.
template <typename T>
T* aligned_start(void* view) {
    uintptr_t a = reinterpret_cast<uintptr_t>(view);
    return reinterpret_cast<T*>((a + 15) & ~static_cast<uintptr_t>(15));
}

void point_at_blocks() {
    hash_tables.table[BLACK] = aligned_start<HashEntry>(blocks[BT_TABLE].view);
    hash_tables.table[WHITE] = aligned_start<HashEntry>(blocks[WT_TABLE].view);
    eval_caches.eval_cache[BLACK] = aligned_start<EvalCacheEntry>(blocks[BP_TABLE].view);
    eval_caches.eval_cache[WHITE] = aligned_start<EvalCacheEntry>(blocks[WP_TABLE].view);
    hash_tables.share_block = static_cast<int32_t*>(blocks[SHARE_ENTRY].view);
    hash_tables.held = true;
}

void set_dimensions(int32_t kilobytes) {
    hash_tables.kilobytes = at_least_min_hash(kilobytes);
    hash_tables.entry_count = transposition_entries_for(hash_tables.kilobytes);
    eval_caches.cache_count = cache_entries_for(hash_tables.kilobytes);
    hash_tables.table_total = 2 * hash_tables.entry_count;
}

void unmap_all() {
    char name[64];
    for (int b = 0; b < BLOCK_COUNT; b++) {
        if (names_linked && blocks[b].view) {
            shared_block_name(name, sizeof name, block_suffix[b]);
            shm_remove(name);
        }
        shm_detach(blocks[b]);
    }
    names_linked = false;
    // Only once the names are gone: a kill before that must still find the guard.
    dismiss_name_guard(name_guard);
    hash_tables.table[0] = hash_tables.table[1] = nullptr;
    eval_caches.eval_cache[0] = eval_caches.eval_cache[1] = nullptr;
    hash_tables.share_block = nullptr;
    hash_tables.held = false;
}

// Creates one block. A name left behind by a dead process whose id this
// process now has cannot belong to a live engine: it is removed and created anew.
bool create_block(int b, bool keep_name) {
    char name[64];
    shared_block_name(name, sizeof name, block_suffix[b]);
    ShmResult r = shm_create(name, block_size(b), keep_name, blocks[b]);
    if (r == ShmResult::exists) {
        shm_remove(name);
        r = shm_create(name, block_size(b), keep_name, blocks[b]);
    }
    return r == ShmResult::ok;
}

// Workers open the blocks by name, so their master keeps the names while it
// lives, and the pipes of its chain have names until both of their ends are
// open. Should this process die without removing them, a guard process does.
void guard_engine_names() {
    char blocks_named[BLOCK_COUNT][64];
    const char* block_names[BLOCK_COUNT];
    for (int b = 0; b < BLOCK_COUNT; b++) {
        shared_block_name(blocks_named[b], sizeof blocks_named[b], block_suffix[b]);
        block_names[b] = blocks_named[b];
    }
    static char pipes_named[SHARE_SLOTS][PIPE_PATH_SIZE];
    const char* pipe_names[SHARE_SLOTS];
    int pipes = 0;
    for (int worker = 1; worker < options.process_count && worker < SHARE_SLOTS; worker++) {
        if (!pipe_path(pipes_named[pipes], PIPE_PATH_SIZE, worker, role.name_suffix)) continue;
        pipe_names[pipes] = pipes_named[pipes];
        pipes++;
    }
    start_name_guard(block_names, BLOCK_COUNT, pipe_names, pipes, name_guard);
}

}  // namespace

uint32_t transposition_entries_for(int32_t kilobytes) {
    const int64_t k = at_least_min_hash(kilobytes);
    return static_cast<uint32_t>(k * 2048 / 360 - 1);
}

uint32_t cache_entries_for(int32_t kilobytes) {
    const int64_t k = at_least_min_hash(kilobytes);
    return static_cast<uint32_t>(k * 1024 / 72 - 1);
}

void shared_block_name(char* out, int out_size, const char* suffix) {
    std::snprintf(out, static_cast<size_t>(out_size), "/jux_%s%s", role.name_suffix, suffix);
}

int create_tables(int32_t kilobytes, int32_t pieces) {
    if (!role.is_master) {
        set_dimensions(kilobytes);
        return hash_tables.kilobytes;
    }
    // This process still holds its blocks: their names are taken.
    if (hash_tables.held) {
        std::fputs(block_error[BT_TABLE], stderr);
        return -1;
    }
    set_dimensions(kilobytes);
    debug_line("re-Memory Mapped 0\n");
    // Without workers nobody opens the blocks by name: they are private
    // memory (in huge pages where the system has them), and a nameless
    // shared block is the last resort.
    const bool named = options.process_count > 1;
    if (named) guard_engine_names();
    names_linked = named;
    for (int b = 0; b < BLOCK_COUNT; b++) {
        const bool made = named ? create_block(b, true)
                                : private_block(block_size(b), blocks[b]) || create_block(b, false);
        if (!made) {
            std::fputs(block_error[b], stderr);
            unmap_all();
            return -1;
        }
        if (b < 3) debug_line("re-Memory Mapped %d\n", b + 1);
    }
    point_at_blocks();
    debug_line("re-Memory Mapped %d %d %d %d %d\n",
               static_cast<int>(reinterpret_cast<intptr_t>(blocks[WP_TABLE].view)),
               static_cast<int>(reinterpret_cast<intptr_t>(blocks[BP_TABLE].view)),
               static_cast<int>(reinterpret_cast<intptr_t>(blocks[WT_TABLE].view)),
               static_cast<int>(reinterpret_cast<intptr_t>(blocks[BT_TABLE].view)),
               static_cast<int>(reinterpret_cast<intptr_t>(blocks[SHARE_ENTRY].view)));
    clear_eval_caches();
    clear_hash_tables();
    clear_history();
    options.tablebase_pieces = pieces;
    return hash_tables.kilobytes;
}

bool attach_tables() {
    char name[64];
    for (int b = 0; b < BLOCK_COUNT; b++) {
        shared_block_name(name, sizeof name, block_suffix[b]);
        if (!shm_attach(name, blocks[b]) || blocks[b].size < block_size(b)) {
            unmap_all();
            return false;
        }
    }
    point_at_blocks();
    return true;
}

void release_tables() {
    unmap_all();
}

void clear_hash_tables() {
    if (!hash_tables.held) return;
    for (int side = 0; side < 2; side++) {
        HashEntry* t = hash_tables.table[side];
        for (uint32_t i = 0; i < hash_tables.entry_count; i++) {
            t[i].a = empty_slot;
            t[i].search_id = 0;
            t[i].b = empty_slot;
        }
    }
}

void clear_eval_caches() {
    if (!hash_tables.held) return;
    for (int side = 0; side < 2; side++) {
        EvalCacheEntry* c = eval_caches.eval_cache[side];
        for (uint32_t i = 0; i < eval_caches.cache_count; i++) c[i].key = 0;
    }
}

int32_t score_to_table(int score, int ply) {
    if (score >= MATE_BOUND)
        score += ply - 1;
    else if (score <= -MATE_BOUND)
        score -= ply - 1;
    return std::clamp(score, 1 - MATE_SCORE, MATE_SCORE - 1);
}

int score_from_table(int32_t stored, int ply) {
    if (stored >= MATE_BOUND) return stored - (ply - 1);
    if (stored <= -MATE_BOUND) return stored + (ply - 1);
    return stored;
}

HashProbe probe_hash(int side, int ply, int32_t& move) {
    const HashEntry& e = hash_entry(side, pos.hash_key_low);
    const HashSlot* s = e.a.key == pos.hash_key_high ? &e.a : e.b.key == pos.hash_key_high ? &e.b : nullptr;
    if (!s) return {MATE_SCORE, NO_DEPTH, -MATE_SCORE, NO_DEPTH, 0, false};
    move = s->move;
    // An empty bound stays empty.
    const int upper = s->upper == MATE_SCORE ? MATE_SCORE : score_from_table(s->upper, ply);
    const int lower = s->lower == -MATE_SCORE ? -MATE_SCORE : score_from_table(s->lower, ply);
    return {upper, s->upper_depth, lower, s->lower_depth, s->failed_low, true};
}

namespace {

void update_slot(HashSlot& s, bool fail_high, int score, int depth, Move move) {
    if (fail_high) {
        s.lower = score;
        s.lower_depth = depth;
        s.move = static_cast<int32_t>(move);
        s.failed_low = 0;
    } else {
        s.upper = score;
        s.upper_depth = depth;
        s.failed_low = 1;
    }
}

// A new position: the bound not written keeps its old depth, harmless beside
// an empty bound.
void write_new_position(HashSlot& s, uint32_t key, bool fail_high, int score, int depth, Move move) {
    s.key = key;
    s.move = static_cast<int32_t>(move);
    if (fail_high) {
        s.lower = score;
        s.lower_depth = depth;
        s.upper = MATE_SCORE;
        s.failed_low = 0;
    } else {
        s.upper = score;
        s.upper_depth = depth;
        s.lower = -MATE_SCORE;
        s.failed_low = 1;
    }
}

}  // namespace

// Slot A keeps the deeper of the entries that met in this bucket during the
// current search; slot B takes the newest position; a new search claims slot A
// on first touch.
void store_hash(int side, int ply, int score, int depth, int bound, Move move) {
    HashEntry& e = hash_entry(side, pos.hash_key_low);
    const uint32_t key = pos.hash_key_high;
    const bool fail_high = score >= bound;
    score = score_to_table(score, ply);
    if (e.a.key == key) {
        update_slot(e.a, fail_high, score, depth, move);
        e.search_id = hash_tables.search_id;
    } else if (e.b.key == key) {
        update_slot(e.b, fail_high, score, depth, move);
    } else if (e.search_id == hash_tables.search_id) {
        if (e.a.lower_depth < e.b.lower_depth || e.a.upper_depth < e.b.upper_depth) e.a = e.b;
        write_new_position(e.b, key, fail_high, score, depth, move);
    } else {
        write_new_position(e.a, key, fail_high, score, depth, move);
        e.search_id = hash_tables.search_id;
        hash_tables.new_entries++;
    }
}

uint64_t worker_node_total() {
    uint64_t total = 0;
    if (const int32_t* share = hash_tables.share_block)
        for (int w = 0; w < SHARE_SLOTS; w++)
            total += static_cast<uint32_t>(share[SHARE_NODES_WORD + 2 * w]) |
                     static_cast<uint64_t>(static_cast<uint32_t>(share[SHARE_NODES_WORD + 2 * w + 1])) << 32;
    return total;
}

int64_t worker_claimed_total() {
    int64_t total = 0;
    if (const int32_t* share = hash_tables.share_block)
        for (int w = 0; w < SHARE_SLOTS; w++) total += share[SHARE_ENTRIES_WORD + w];
    return total;
}

int64_t worker_load_total() {
    int64_t total = 0;
    if (const int32_t* share = hash_tables.share_block)
        for (int w = 0; w < SHARE_SLOTS; w++) total += share[SHARE_LOAD_WORD + w];
    return total;
}
