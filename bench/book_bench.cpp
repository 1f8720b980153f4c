// Speed of a book probe: the file is read afresh and scanned linearly up to
// the position's key, so the cost grows with the keys below it. The book
// holds 20000 positions with evenly spread keys; the probed position's key
// decides how much of it is read. items_per_second is probes per second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/position.h"
#include "book/book.h"
#include "core/options.h"
#include "search/startup.h"

namespace {

constexpr int BOOK_POSITIONS = 20000;
char scratch[] = "/tmp/jux_book_bench_XXXXXX";

void remove_scratch() {
    std::filesystem::remove_all(scratch);
}

// Writes the book into a scratch directory and makes it the working one.
void prepare_book() {
    static bool done = false;
    if (done) return;
    done = true;
    init_tables();
    set_position_from_fen(START_FEN);
    const uint32_t start = pos.hash_key_high;
    if (!mkdtemp(scratch)) std::abort();
    std::atexit(remove_scratch);
    std::filesystem::current_path(scratch);
    std::FILE* f = std::fopen(BOOK_FILE_NAME, "w");
    const uint32_t step = 0xFFFFFFFFu / BOOK_POSITIONS;
    bool written = false;
    for (uint32_t i = 0; i < BOOK_POSITIONS; i++) {
        uint32_t key = i * step;
        if (!written && key >= start) {
            // e2e4 (rank 11) and d2d4 (rank 9), both with wins.
            std::fprintf(f, "%08XL-00103200010000080000400004J-00083200008000040000200002\n", start);
            written = true;
            if (key == start) continue;
        }
        std::fprintf(f, "%08XN-00043200004000020000100001\n", key);
    }
    std::fclose(f);
    options.own_book = 1;
    limits.time_mode = TIME_CLOCK_INCREMENT;
    limits.max_depth = 99;
}

void BM_ProbeStartPosition(benchmark::State& state) {
    prepare_book();
    set_position_from_fen(START_FEN);
    for (auto _ : state) {
        book.book_in_use = 1;
        book.book_miss_count = 0;
        benchmark::DoNotOptimize(probe_book());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["share_of_file_read"] = static_cast<double>(pos.hash_key_high) / 0xFFFFFFFFu;
}
BENCHMARK(BM_ProbeStartPosition);

}  // namespace
