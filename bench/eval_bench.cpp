// Speed of the full evaluation (both attack tables, every evaluator and the
// final terms) over a fixed set of positions, one benchmark per position.
// items_per_second is full evaluations per second.
#include <benchmark/benchmark.h>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/position.h"
#include "core/options.h"
#include "eval/evaluate.h"
#include "eval/root_eval.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/startup.h"

namespace {

const char* const positions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N2N2/PP2BPPP/R2QKB1R w KQ - 0 8",
    "2r2rk1/1b2qppp/p3pn2/1p6/3N4/P1N1P3/1P2QPPP/2RR2K1 b - - 0 18",
    "3r2k1/5ppp/3b4/8/7q/8/5PPP/1NBQR1K1 w - - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/5pk1/6p1/3P4/1p3P2/1Pb3P1/5K2/4B3 w - - 0 40",
    "8/8/3k4/8/P3P3/8/8/K7 w - - 0 1",
};
constexpr int POSITION_COUNT = sizeof(positions) / sizeof(positions[0]);

void prepare_position(int index) {
    static bool tables_built = false;
    if (!tables_built) {
        init_tables();
        tables_built = true;
    }
    set_position_from_fen(positions[index]);
    options.use_tablebases = 0;
    options.tablebase_pieces = 0;
    // No cache: every call takes the full path.
    eval_caches.eval_cache[WHITE] = eval_caches.eval_cache[BLACK] = nullptr;
    eval_caches.cache_count = 0;
    int in_check, tablebase_hit;
    evaluate_at_root(in_check, tablebase_hit);
}

void BM_EvaluateFull(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    prepare_position(index);
    const int side = pos.side_to_move;
    int in_check = 0, tablebase_hit = 0;
    for (auto _ : state) benchmark::DoNotOptimize(evaluate(side, 1, in_check, tablebase_hit));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateFull)->DenseRange(0, POSITION_COUNT - 1);

// The attack tables alone, which the search also rebuilds for its own tests.
void BM_BuildAttackTables(benchmark::State& state) {
    prepare_position(1);
    for (auto _ : state) {
        build_attack_table(WHITE);
        build_attack_table(BLACK);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildAttackTables);

}  // namespace
