// Shared set-up for the evaluation tests: tables built once, small local
// evaluation caches instead of shared memory, no tablebases, and helpers that
// put the position where the search driver or a single evaluator sees it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/notation.h"
#include "board/position.h"
#include "egtb/tbprobe.h"
#include "eval/eval_state.h"
#include "eval/evaluate.h"
#include "eval/phase_pst.h"
#include "frontend/options.h"
#include "search/hash.h"
#include "search/node.h"

// Values the evaluation leaves in its global state (phase, root tables,
// accumulators, breakdown of the last full evaluation), each named by its
// address.
struct Expect {
    const int32_t* value;
    int32_t expected;
};
struct RootCase {
    const char* fen;
    std::vector<Expect> expect;
};
// One evaluator run for the piece of side on square, from empty accumulators.
struct PieceCase {
    const char* fen;
    void (*evaluator)(int square, int stm);
    int side, square;
    std::vector<Expect> expect;
};

class EvalTest : public ::testing::Test {
   protected:
    static constexpr uint32_t CACHE_ENTRIES = 1021;

    void SetUp() override {
        static const bool built = (init_tables(), true);
        (void)built;
        for (int s = 0; s < 2; s++) {
            saved_cache_[s] = hash_tables.eval_cache[s];
            hash_tables.eval_cache[s] = cache_[s];
        }
        saved_count_ = hash_tables.cache_count;
        hash_tables.cache_count = CACHE_ENTRIES;
        clear_cache();
        options.use_tablebases = options.tablebase_pieces = 0;
        search.root_score = search.iteration_depth = search.on_first_path = 0;
        phase_state.phase = -1;  // phase weights as a fresh engine computes them
    }
    void TearDown() override {
        for (int s = 0; s < 2; s++) hash_tables.eval_cache[s] = saved_cache_[s];
        hash_tables.cache_count = saved_count_;
    }

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
    // Both attack tables current and the evaluators pointed at side b with
    // empty accumulators and counters.
    static void context(const char* fen, int b) {
        prepare(fen);
        build_attack_table(WHITE);
        build_attack_table(BLACK);
        update_phase();
        std::memset(eval_state.race_pawn, 0, sizeof(eval_state.race_pawn));
        std::memset(eval_state.fixed_pawns, 0, sizeof(eval_state.fixed_pawns));
        eval_state.threat_count[WHITE] = eval_state.threat_count[BLACK] = 0;
        begin_side_evaluation(b);
    }
    static const EvalBreakdown& breakdown() { return eval_state.breakdown; }

    static void check(const char* fen, const std::vector<Expect>& expect) {
        for (size_t i = 0; i < expect.size(); i++)
            EXPECT_EQ(*expect[i].value, expect[i].expected) << fen << ", value " << i;
    }
    // Each position evaluated at the root, then its values checked.
    void expect_after_root_eval(const std::vector<RootCase>& cases) {
        for (const RootCase& c : cases) {
            root_eval(c.fen);
            check(c.fen, c.expect);
        }
    }
    static void expect_after_evaluator(const std::vector<PieceCase>& cases) {
        for (const PieceCase& c : cases) {
            context(c.fen, c.side);
            c.evaluator(c.square, pos.side_to_move);
            check(c.fen, c.expect);
        }
    }

    int in_check = -1, tablebase_hit = -1;

   private:
    EvalCacheEntry cache_[2][CACHE_ENTRIES];
    EvalCacheEntry* saved_cache_[2] = {nullptr, nullptr};
    uint32_t saved_count_ = 0;
};
