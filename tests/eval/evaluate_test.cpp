// What the bench never reaches: legality verdict, first branch, tablebase hook, bishops, promotions.
#include "eval/evaluate.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "core/options.h"
#include "data_rows.h"
#include "egtb/tbprobe.h"
#include "eval/attack_table.h"
#include "eval/eval_state.h"
#include "eval/phase.h"
#include "eval/root_pst.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/startup.h"

namespace {

constexpr uint32_t CACHE_ENTRIES = 1021;

class EvalTest : public ::testing::Test {
   protected:
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
        phase_state.phase = -1;
    }
    void TearDown() override { eval_caches = saved_caches_; }
    void clear_cache() { std::memset(cache_, 0, sizeof(cache_)); }
    int cached_entries() const {
        return int(std::count_if(&cache_[0][0], &cache_[0][0] + 2 * CACHE_ENTRIES,
                                 [](const EvalCacheEntry& e) { return e.key != 0; }));
    }
    static void prepare(const char* fen) {
        ASSERT_TRUE(set_position_from_fen(fen)) << fen;
        prepare_evaluation();
        recompute_pst_sum();
    }
    int eval(int side, int ply) { return evaluate(side, ply, in_check, tablebase_hit); }
    // A pattern in the attack tables shows whether a path rebuilt them.
    static void poison_attack_tables() {
        std::fill(&attack_count[0][0], &attack_count[0][0] + 2 * 64, 0x7777);
    }
    static bool attack_tables_untouched() {
        return std::all_of(&attack_count[0][0], &attack_count[0][0] + 2 * 64,
                           [](int32_t w) { return w == 0x7777; });
    }

    int in_check = -1, tablebase_hit = -1;
    EvalCacheEntry cache_[2][CACHE_ENTRIES];
    EvalCaches saved_caches_;
};

TEST_F(EvalTest, AttackingTheEnemyKingIsIllegalOnEveryPathAndNeverCached) {
    // No FEN may leave the side not to move in check: black's king steps into the queen's file.
    const auto king_steps_into_check = [](const char* fen) {
        prepare(fen);
        make_move(make_move_code(D8, E8, MOVE_QUIET), BLACK, 1);
        pos.side_to_move = WHITE;
    };
    king_steps_into_check("3k4/8/8/8/8/8/4Q3/4K3 b - - 0 1");
    EXPECT_EQ(eval(WHITE, 1), ILLEGAL_SCORE);
    EXPECT_EQ(in_check, -1);
    // With tables the verdict comes before any attack table or probe.
    options.tablebase_pieces = 3;
    options.use_tablebases = 1;
    const int probes = tb_counters.probe_count;
    poison_attack_tables();
    EXPECT_EQ(eval(WHITE, 1), ILLEGAL_SCORE);
    EXPECT_TRUE(attack_tables_untouched());
    EXPECT_EQ(tb_counters.probe_count, probes);
    options.use_tablebases = 0;
    // The lazy path: much material and a balance far from the root score.
    king_steps_into_check("rn1k4/8/8/8/8/8/4Q3/R3K3 b - - 0 1");
    search.iteration_depth = 5;
    poison_attack_tables();
    EXPECT_EQ(eval(WHITE, 3), ILLEGAL_SCORE);
    EXPECT_TRUE(attack_tables_untouched());
    EXPECT_EQ(cached_entries(), 0);
}

TEST_F(EvalTest, TheFirstBranchOfAnIterationIsNeverEvaluatedLazily) {
    // Much material and a balance far from the root score would allow the lazy exit, which stores nothing.
    prepare("rn2k3/8/8/8/8/8/3Q4/R3K3 w - - 0 1");
    search.iteration_depth = 5;
    search.on_first_path = 1;
    eval(WHITE, 3);
    EXPECT_EQ(cached_entries(), 1);
}

TEST_F(EvalTest, TablebaseProbeOnlyNearTheRootOrAfterCapturesWithFewMen) {
    const std::map<std::string, Move> last_moves = {{"quiet", make_move_code(B2, D2, MOVE_QUIET)},
                                                    {"capture", make_move_code(B2, D2, MOVE_CAPTURE)},
                                                    {"double step", make_move_code(B2, B4, MOVE_DOUBLE_STEP)},
                                                    {"promotion", make_move_code(B7, B8, MOVE_PROMOTE_QUEEN)},
                                                    {"null", 13}};
    for (const auto& row : data_rows("eval/data/tablebase_probes.txt")) {
        prepare(row[0].c_str());
        search.iteration_depth = std::stoi(row[2]);
        pos.move_history[pos.game_ply].move = static_cast<int32_t>(last_moves.at(row[3]));
        options.tablebase_pieces = std::stoi(row[4]);
        options.use_tablebases = std::stoi(row[5]);
        const int before = tb_counters.probe_count;
        eval(WHITE, std::stoi(row[1]));
        EXPECT_EQ(tb_counters.probe_count - before, std::stoi(row[6]))
            << row[0] << " ply " << row[1] << " " << row[3];
        EXPECT_EQ(tablebase_hit, 0);  // nothing registered: the evaluation goes on
    }
}

TEST_F(EvalTest, OppositeBishopsPullTheBalanceTowardsADraw) {
    // Bishops on d1 and d4, then on d1 and c4 (same colour: no scaling); one pawn each.
    const char* opposite = "4k3/p7/8/8/3b4/8/P7/3BK3 w - - 0 1";
    const struct {
        const char* fen;
        int balance, base;
    } rows[] = {{opposite, 100, 40},   {opposite, 50, 25},
                {opposite, -61, -1},   {opposite, 60, 30},
                {opposite, -60, -30},  {opposite, 61, 1},
                {opposite, -100, -40}, {"4k3/p7/8/8/2b5/8/P7/3BK3 w - - 0 1", 100, 100}};
    for (const auto& row : rows) {
        prepare(row.fen);
        eval(WHITE, 1);
        clear_cache();
        pos.pst_sum[WHITE] = row.balance;
        pos.pst_sum[BLACK] = 0;
        eval(WHITE, 1);
        EXPECT_EQ(eval_state.breakdown.base, row.base) << row.fen << " balance " << row.balance;
    }
}

TEST_F(EvalTest, EveryLiveSlotGetsTheRowOfItsPieceAndSumsFollow) {
    // A promoted piece keeps the pawn's slot: rows go by the piece now there.
    ASSERT_TRUE(set_position_from_fen("r3k3/1P6/8/8/8/2n5/8/R3K2R w - - 0 1"));
    enter_game_move("b7a8q");
    prepare_evaluation();
    recompute_pst_sum();
    const RootTables& t = root_tables;
    const size_t row = sizeof t.queen_pst[WHITE];
    EXPECT_EQ(std::memcmp(pos.slot_pst[WHITE][pos.list_slot[A8]], t.queen_pst[WHITE], row), 0);
    EXPECT_EQ(std::memcmp(pos.slot_pst[BLACK][pos.list_slot[C3]], t.knight_pst[BLACK], row), 0);
    EXPECT_EQ(std::memcmp(pos.slot_pst[BLACK][0], t.king_pst[BLACK], row), 0);
    EXPECT_EQ(pos.pst_sum[BLACK], t.king_pst[BLACK][E8] + t.knight_pst[BLACK][C3]);
    EXPECT_EQ(pos.pst_sum[WHITE],
              t.king_pst[WHITE][E1] + t.queen_pst[WHITE][A8] + t.rook_pst[WHITE][A1] + t.rook_pst[WHITE][H1]);
}

}  // namespace
