// Tablebase probe speed: every legal move of a few endings probed after the
// move, as the evaluation does near the root. Reports probes per second.
// Also the time one registration of all the tables takes, file checks
// included (what "setoption name NalimovPath" costs).
// Needs the tables: JUX_TB_DIR=<dir with gaviota/ and syzygy/>.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/attack.h"
#include "board/fen.h"
#include "board/geometry.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"
#include "core/options.h"
#include "egtb/tbprobe.h"
#include "search/startup.h"

namespace {

const char* const ENDINGS[] = {
    "8/8/4K3/8/8/8/3k4/R7 w - - 0 1",   "8/8/8/3k4/8/8/8/1Q2K3 b - - 0 1",
    "8/4k3/8/4K3/4P3/8/8/8 b - - 0 1",  "8/2q5/8/3K4/8/6R1/1k6/8 w - - 0 1",
    "8/8/8/3pP3/8/2K5/8/6k1 b - - 0 1",
};

std::string tablebase_root() {
    const char* dir = std::getenv("JUX_TB_DIR");
    return dir ? dir : "";
}

// Probes every position one move away from each ending.
int64_t probe_round() {
    static MoveEntry list[256];
    int64_t probes = 0;
    for (const char* fen : ENDINGS) {
        set_position_from_fen(fen);
        int side = pos.side_to_move;
        int n = generate_moves(list, side, 1, pos.ep_square);
        for (int i = 0; i < n - 1; i++) {
            Move m = static_cast<Move>(list[i].move);
            SavedState saved = save_state();
            int ep = make_move(m, side, 1);
            if (!is_attacked(pos.piece_list[side][0], side ^ 1)) {
                benchmark::DoNotOptimize(tb_probe(side ^ 1, ep));
                probes++;
            }
            unmake_move(m, side);
            restore_state(saved);
        }
    }
    return probes;
}

void run_probes(benchmark::State& state, const std::string& dirs) {
    init_tables();
    std::snprintf(options.nalimov_path, sizeof options.nalimov_path, "%s", dirs.c_str());
    if (tb_probe(TB_REGISTER, 1024) == 0) {
        state.SkipWithError("no tablebases found");
        return;
    }
    int64_t probes = 0;
    for (auto _ : state) probes += probe_round();
    state.counters["probes/s"] = benchmark::Counter(static_cast<double>(probes), benchmark::Counter::kIsRate);
}

void BM_ProbeGaviota(benchmark::State& state) {
    run_probes(state, tablebase_root() + "/gaviota");
}
void BM_ProbeSyzygy(benchmark::State& state) {
    run_probes(state, tablebase_root() + "/syzygy");
}

void BM_RegisterAll(benchmark::State& state) {
    const std::string dirs = tablebase_root() + "/syzygy;" + tablebase_root() + "/gaviota";
    std::snprintf(options.nalimov_path, sizeof options.nalimov_path, "%s", dirs.c_str());
    for (auto _ : state) {
        if (tb_probe(TB_REGISTER, 1024) == 0) {
            state.SkipWithError("no tablebases found");
            return;
        }
    }
}

BENCHMARK(BM_ProbeGaviota)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProbeSyzygy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RegisterAll)->Unit(benchmark::kMillisecond);

}  // namespace
