// Shared set-up for the evaluation tests: tables built once, small local
// evaluation caches instead of shared memory, and helpers that put the
// position where the search driver or a single evaluator would see it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/position.h"
#include "egtb/tbprobe.h"
#include "eval/eval_state.h"
#include "eval/evaluate.h"
#include "eval/phase_pst.h"
#include "eval/root_eval.h"
#include "frontend/options.h"
#include "search/hash.h"
#include "search/node.h"

class EvalTest : public ::testing::Test {
   protected:
    static constexpr uint32_t CACHE_ENTRIES = 1021;

    void SetUp() override {
        static bool tables_built = false;
        if (!tables_built) {
            init_tables();
            tables_built = true;
        }
        saved_cache_[WHITE] = hash_tables.eval_cache[WHITE];
        saved_cache_[BLACK] = hash_tables.eval_cache[BLACK];
        saved_cache_count_ = hash_tables.cache_count;
        hash_tables.eval_cache[WHITE] = cache_[WHITE];
        hash_tables.eval_cache[BLACK] = cache_[BLACK];
        hash_tables.cache_count = CACHE_ENTRIES;
        clear_cache();
        options.use_tablebases = 0;
        options.tablebase_pieces = 0;
        search.root_score = 0;
        search.iteration_depth = 0;
        search.on_first_path = 0;
    }

    void TearDown() override {
        hash_tables.eval_cache[WHITE] = saved_cache_[WHITE];
        hash_tables.eval_cache[BLACK] = saved_cache_[BLACK];
        hash_tables.cache_count = saved_cache_count_;
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

    static void set(const char* fen) {
        ASSERT_TRUE(set_position_from_fen(fen)) << fen << ": " << fen_refusal_reason();
    }

    // The position prepared and evaluated as the search driver does before
    // its first iteration.
    static int root_eval(const char* fen, int* in_check = nullptr) {
        set(fen);
        int check = -1;
        int tablebase_hit = -1;
        const int score = evaluate_at_root(check, tablebase_hit);
        if (in_check != nullptr) *in_check = check;
        return score;
    }

    // The position prepared for the search, both attack tables current, the
    // phase of the position, and the evaluators pointed at side b with empty
    // accumulators and counters.
    static void context(const char* fen, int b) {
        set(fen);
        prepare_evaluation();
        recompute_pst_sum();
        build_attack_table(WHITE);
        build_attack_table(BLACK);
        update_phase();
        std::memset(eval_state.race_pawn, 0, sizeof(eval_state.race_pawn));
        std::memset(eval_state.fixed_pawns, 0, sizeof(eval_state.fixed_pawns));
        eval_state.threat_count[WHITE] = eval_state.threat_count[BLACK] = 0;
        begin_side_evaluation(b);
    }

    static const SideTerms& terms(int b) { return eval_state.side_terms[b]; }
    static const EvalBreakdown& breakdown() { return eval_state.breakdown; }

   private:
    EvalCacheEntry cache_[2][CACHE_ENTRIES];
    EvalCacheEntry* saved_cache_[2] = {nullptr, nullptr};
    uint32_t saved_cache_count_ = 0;
};
