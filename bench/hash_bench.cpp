// Speed of the transposition-table probe and store at random positions of a
// 16 MB and a 256 MB table, the cost the search pays at every node once the
// tables no longer fit the caches. items_per_second is probes (or stores)
// per second; the keys come from a fixed pseudo-random sequence.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>

#include <unistd.h>

#include "board/position.h"
#include "core/role.h"
#include "search/hash.h"
#include "search/startup.h"

namespace {

// A 64-bit linear congruential sequence: the high halves serve as key halves.
struct KeySequence {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 32);
    }
};

void make_tables(int megabytes) {
    static bool board_ready = false;
    if (!board_ready) {
        init_tables();
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "b%d", static_cast<int>(getpid()));
        board_ready = true;
    }
    release_tables();
    create_tables(megabytes * 1024, 0);
    hash_tables.search_id = 1;
}

void BM_StoreHash(benchmark::State& state) {
    make_tables(static_cast<int>(state.range(0)));
    KeySequence keys;
    for (auto _ : state) {
        pos.hash_key_low = keys.next();
        pos.hash_key_high = keys.next();
        store_hash(WHITE, 3, 25, 4, 10, 0x11);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ProbeHash(benchmark::State& state) {
    make_tables(static_cast<int>(state.range(0)));
    KeySequence keys;
    // Half the probes find what a first pass stored.
    for (uint32_t i = 0; i < hash_tables.entry_count / 2; i++) {
        pos.hash_key_low = keys.next();
        pos.hash_key_high = keys.next();
        store_hash(WHITE, 3, 25, 4, 10, 0x11);
    }
    keys = KeySequence{};
    int64_t hits = 0;
    for (auto _ : state) {
        pos.hash_key_low = keys.next();
        pos.hash_key_high = keys.next();
        int32_t move = 0;
        hits += probe_hash(WHITE, 3, move).hit;
        benchmark::DoNotOptimize(move);
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_StoreHash)->Arg(16)->Arg(256);
BENCHMARK(BM_ProbeHash)->Arg(16)->Arg(256);

}  // namespace
