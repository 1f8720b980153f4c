// Move generation, make and unmake speed: perft with make/unmake at every
// node (no bulk counting at the leaves). Reports nodes per second.
#include <benchmark/benchmark.h>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/perft.h"
#include "board/position.h"
#include "search/startup.h"

namespace {

void run_perft(benchmark::State& state, const char* fen, int depth) {
    init_tables();
    set_position_from_fen(fen);
    uint64_t nodes = 0;
    for (auto _ : state) nodes += perft(depth, pos.side_to_move, pos.ep_square);
    state.counters["nps"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
}

void BM_PerftStart5(benchmark::State& state) { run_perft(state, START_FEN, 5); }
void BM_PerftKiwipete4(benchmark::State& state) {
    run_perft(state, "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 4);
}
void BM_PerftEndgame5(benchmark::State& state) { run_perft(state, "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 5); }

BENCHMARK(BM_PerftStart5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PerftKiwipete4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PerftEndgame5)->Unit(benchmark::kMillisecond);

}  // namespace
