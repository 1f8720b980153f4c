// Shared set-up for the evaluation tests: tables built once, small local
// evaluation caches instead of shared memory, no tablebases, and helpers that
// put the position where the search driver sees it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/notation.h"
#include "core/options.h"
#include "egtb/tbprobe.h"
#include "eval/eval_state.h"
#include "eval/evaluate.h"
#include "eval/phase.h"
#include "eval/root_pst.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/startup.h"

class EvalTest : public ::testing::Test {
   protected:
    static constexpr uint32_t CACHE_ENTRIES = 1021;

    void SetUp() override {
        static const bool built = (init_tables(), true);
        (void)built;
        saved_caches_ = eval_caches;
        eval_caches.eval_cache[WHITE] = cache_[WHITE];
        eval_caches.eval_cache[BLACK] = cache_[BLACK];
        eval_caches.cache_count = CACHE_ENTRIES;
        clear_cache();
        options.use_tablebases = options.tablebase_pieces = 0;
        search.root_score = search.iteration_depth = search.on_first_path = 0;
        phase_state.phase = -1;  // phase weights as a fresh engine computes them
    }
    void TearDown() override { eval_caches = saved_caches_; }

    void clear_cache() { std::memset(cache_, 0, sizeof(cache_)); }
    int cached_entries() const {
        int n = 0;
        for (const auto& table : cache_)
            for (const EvalCacheEntry& e : table) n += e.key != 0;
        return n;
    }
    const EvalCacheEntry& cache_entry(int side) const {
        return cache_[side][pos.hash_key_low % CACHE_ENTRIES];
    }

    // The position with its root tables and piece-square sums, as the search
    // driver prepares it before the first iteration.
    static void prepare(const char* fen) {
        ASSERT_TRUE(set_position_from_fen(fen)) << fen << ": " << fen_refusal_reason();
        prepare_evaluation();
        recompute_pst_sum();
    }
    int eval(int side, int ply) { return evaluate(side, ply, in_check, tablebase_hit); }
    int root_eval(const char* fen) {
        prepare(fen);
        return eval(pos.side_to_move, 1);
    }

    int in_check = -1, tablebase_hit = -1;

   private:
    EvalCacheEntry cache_[2][CACHE_ENTRIES];
    EvalCaches saved_caches_;
};
