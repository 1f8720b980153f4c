// The evaluation driver: the legality verdict on every path, the cache, the
// lazy exit, the tablebase hook, the root rows, and the ending and pawn terms
// that the bench positions never reach (the bench signature guards the rest).
#include "eval/evaluate.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "board/makemove.h"
#include "eval_fixture.h"

namespace {

// Fills the attack tables with a pattern; a path that rebuilds them shows.
void poison_attack_tables() {
    for (auto& side : attack_count) std::fill(std::begin(side), std::end(side), 0x7777);
}
bool attack_tables_untouched() {
    const auto poisoned = [](int32_t word) { return word == 0x7777; };
    return std::all_of(std::begin(attack_count[0]), std::end(attack_count[0]), poisoned) &&
           std::all_of(std::begin(attack_count[1]), std::end(attack_count[1]), poisoned);
}

TEST_F(EvalTest, AttackingTheEnemyKingIsIllegalOnEveryPathAndNeverCached) {
    // No FEN may leave the side not to move in check, so the search's way
    // there is taken: black's king steps from d8 into the queen's file.
    const auto king_steps_into_check = [](const char* fen) {
        prepare(fen);
        make_move(make_move_code(D8, E8, MOVE_QUIET), BLACK, 1);
        pos.side_to_move = WHITE;
    };
    // Full path: the first iterations always evaluate fully.
    king_steps_into_check("3k4/8/8/8/8/8/4Q3/4K3 b - - 0 1");
    EXPECT_EQ(eval(WHITE, 1), ILLEGAL_SCORE);
    EXPECT_EQ(in_check, -1);  // not written for an illegal position
    // Tablebase path: the verdict comes before any attack table and probe.
    options.tablebase_pieces = 3;
    options.use_tablebases = 1;
    const int probes = tb_counters.probe_count;
    poison_attack_tables();
    EXPECT_EQ(eval(WHITE, 1), ILLEGAL_SCORE);
    EXPECT_TRUE(attack_tables_untouched());
    EXPECT_EQ(tb_counters.probe_count, probes);
    options.use_tablebases = 0;
    // Lazy path: much material and a balance far from the expected score.
    king_steps_into_check("rn1k4/8/8/8/8/8/4Q3/R3K3 b - - 0 1");
    search.iteration_depth = 5;
    poison_attack_tables();
    EXPECT_EQ(eval(WHITE, 3), ILLEGAL_SCORE);
    EXPECT_TRUE(attack_tables_untouched());
    EXPECT_EQ(cached_entries(), 0);
}

TEST_F(EvalTest, LazyExitOutsideTheWindowAroundTheRootScore) {
    prepare("rn2k3/8/8/8/8/8/3Q4/R3K3 w - - 0 1");
    const int base = material_of(pos.material_signature[WHITE]) - material_of(pos.material_signature[BLACK]) +
                     pos.pst_sum[WHITE] - pos.pst_sum[BLACK];
    ASSERT_GT(base, 600);
    search.iteration_depth = 5;
    search.check_slot[3] = 9;
    // Far from the root score, and at the window's edge: the balance alone,
    // no attack table built, nothing cached.
    for (int root_score : {0, base - 250}) {
        search.root_score = root_score;
        poison_attack_tables();
        EXPECT_EQ(eval(WHITE, 3), base);
        EXPECT_TRUE(attack_tables_untouched());
    }
    EXPECT_EQ(in_check, 0);
    EXPECT_EQ(tablebase_hit, 0);
    EXPECT_EQ(search.check_slot[3], 0);
    EXPECT_EQ(cached_entries(), 0);
    // Inside the window: a full evaluation, stored in white's table.
    search.root_score = base - 249;
    const int full = eval(WHITE, 3);
    EXPECT_EQ(cache_entry(WHITE).score, full);
    EXPECT_EQ(cache_entry(WHITE).key, pos.hash_key_high);
    // The first branch of an iteration always gets the full evaluation.
    clear_cache();
    search.root_score = 0;
    search.on_first_path = 1;
    eval(WHITE, 3);
    EXPECT_EQ(cached_entries(), 1);
}

TEST_F(EvalTest, CacheAnswersWithTheSameScoreFlagAndCheckingSlot) {
    // Black's knight (slot 2 after king and rook) gives check from d3.
    prepare("4k2r/8/8/8/4n3/8/8/R3K3 b - - 0 1");
    ASSERT_EQ(pos.list_slot[E4], 2);
    make_move(make_move_code(E4, D3, MOVE_QUIET), BLACK, 1);
    search.check_slot[2] = -1;
    const int first = eval(WHITE, 2);
    EXPECT_EQ(in_check, 1);
    EXPECT_EQ(search.check_slot[2], 2);
    EXPECT_EQ(cache_entry(WHITE).in_check, 1);
    // Change what a fresh evaluation would see but not the key: the answer
    // must come from the cache.
    pos.pst_sum[WHITE] += 500;
    in_check = search.check_slot[2] = -1;
    EXPECT_EQ(eval(WHITE, 2), first);
    EXPECT_EQ(in_check, 1);
    EXPECT_EQ(search.check_slot[2], 2);
    EXPECT_EQ(cache_entry(BLACK).key, 0u);  // the other side to move has its own table
}

// clang-format off
TEST_F(EvalTest, TablebaseProbeOnlyNearTheRootOrAfterCapturesWithFewMen) {
    const char* five_men = "4k3/8/8/8/8/8/3P4/R3K3 w - - 0 1";
    const Move capture = make_move_code(B2, D2, MOVE_CAPTURE), quiet = make_move_code(B2, D2, MOVE_QUIET);
    struct { const char* fen; int ply, iteration_depth; Move last_move; int pieces, use, probes; } cases[] = {
        {five_men, 2, 0, quiet, 5, 1, 1},    // near the root
        {five_men, 3, 0, capture, 5, 1, 0},  // deeper only inside the iteration...
        {five_men, 3, 5, capture, 5, 1, 1},  // ...after a capture
        {five_men, 5, 5, capture, 5, 1, 0},  // not below the nominal depth
        {five_men, 3, 5, quiet, 5, 1, 0},
        {five_men, 3, 5, make_move_code(B2, B4, MOVE_DOUBLE_STEP), 5, 1, 0},
        {five_men, 3, 5, make_move_code(B7, B8, MOVE_PROMOTE_QUEEN), 5, 1, 1},
        {five_men, 3, 5, 13, 5, 1, 0},       // the search's record of a null move
        {five_men, 1, 0, quiet, 5, 0, 0},    // switched off
        {"4k3/8/8/8/8/8/3PPP2/R3K3 w - - 0 1", 1, 0, quiet, 5, 1, 0},  // six men
        {"4k3/pp6/8/8/8/8/PP6/4K3 w - - 0 1", 1, 0, quiet, 5, 1, 0},   // four pawns
        {"4k3/p7/8/8/8/8/PP6/4K3 w - - 0 1", 1, 0, quiet, 4, 1, 0},    // five men for tables of four
    };
    for (const auto& c : cases) {
        prepare(c.fen);
        clear_cache();
        search.iteration_depth = c.iteration_depth;
        pos.move_history[pos.game_ply].move = static_cast<int32_t>(c.last_move);
        options.tablebase_pieces = c.pieces;
        options.use_tablebases = c.use;
        const int before = tb_counters.probe_count;
        eval(WHITE, c.ply);
        EXPECT_EQ(tb_counters.probe_count - before, c.probes) << c.fen << " ply " << c.ply;
        EXPECT_EQ(tablebase_hit, 0);  // nothing registered: the evaluation goes on
    }
}

TEST_F(EvalTest, OppositeBishopsPullTheBalanceTowardsADraw) {
    // d1 is a light square, d4 a dark one, c4 a light one; one pawn each;
    // phase 10. The material balance is 0, so the balance is the white sum.
    const char* opposite = "4k3/p7/8/8/3b4/8/P7/3BK3 w - - 0 1";
    struct { const char* fen; int balance, base; } cases[] = {
        {opposite, 100, 40}, {opposite, 50, 25}, {opposite, -61, -1}, {opposite, 60, 30}, {opposite, -60, -30},
        {opposite, 61, 1}, {opposite, -100, -40},
        {"4k3/p7/8/8/2b5/8/P7/3BK3 w - - 0 1", 100, 100},  // same colours: no scaling
    };
    for (const auto& c : cases) {
        root_eval(c.fen);
        ASSERT_EQ(phase_state.phase, 10);
        clear_cache();
        pos.pst_sum[WHITE] = c.balance;
        pos.pst_sum[BLACK] = 0;
        eval(WHITE, 1);
        EXPECT_EQ(eval_state.breakdown.base, c.base) << c.fen << " balance " << c.balance;
    }
}

TEST_F(EvalTest, EndingsAndGlobalTerms) {
    const EvalBreakdown& b = eval_state.breakdown;
    const int32_t* const rule = &b.ending_rule;
    // Each position evaluated at the root, then the values it leaves, named by their address.
    const std::pair<const char*, std::vector<std::pair<const int32_t*, int32_t>>> cases[] = {
        // A lone minor piece cannot win; two knights get 30 less the lone
        // king's square (0 in a corner, 36 in the centre).
        {"8/8/8/8/8/8/8/Kb5k w - - 0 1", {{&b.result, 0}, {rule, ENDING_LONE_MINOR}}},
        {"k7/8/8/8/8/8/8/KNN5 b - - 0 1", {{&b.result, -30}, {rule, ENDING_TWO_KNIGHTS}}},
        {"8/8/8/3k4/8/8/8/KNN5 w - - 0 1", {{&b.result, 30 - 36}}},
        // Worked by hand: base 571 - 382 + (18 - 15) - (18 + 4) = 170; the
        // rook earns 40 activity, 14 mobility (halved), 14 file, 3 tropism;
        // the bishop 8 outpost and 12 mobility (halved); 170 + 64 - 14 + 17 =
        // 237, halved. Black to move: -170 + 14 - 64 + 17 = -203, halved.
        // Colours reversed: the same from black's rook. A pawn for the rook's
        // side takes the ending out of the rule.
        {"3bk3/8/8/8/8/8/8/R3K3 w - - 0 1", {{&b.result, 237 / 2}, {rule, ENDING_ROOK_AGAINST_MINOR}}},
        {"3bk3/8/8/8/8/8/8/R3K3 b - - 0 1", {{&b.result, -101}}},
        {"r3k3/8/8/8/8/8/8/3BK3 b - - 0 1", {{&b.result, 237 / 2}, {rule, ENDING_ROOK_AGAINST_MINOR}}},
        {"3bk3/8/8/8/8/8/P7/R3K3 w - - 0 1", {{&b.result, 400}, {rule, ENDING_NONE}}},
        // White a4 and e4, both inside the black king's square: black's total
        // loses 150. With black to move and its king on d5 it attacks e4,
        // which then does not race; two files apart is not enough; only in
        // pure pawn endings; and the same for black's pawns.
        {"8/8/3k4/8/P3P3/8/8/K7 w - - 0 1", {{&b.pawn_race[BLACK], -150}, {&b.pawn_race[WHITE], 0}}},
        {"8/8/8/3k4/P3P3/8/8/K7 b - - 0 1", {{&b.pawn_race[BLACK], 0}}},
        {"8/8/3k4/8/2P1P3/8/8/K7 w - - 0 1", {{&b.pawn_race[BLACK], 0}}},
        {"n7/8/3k4/8/P3P3/8/8/K7 w - - 0 1", {{&b.pawn_race[BLACK], 0}}},
        {"k7/8/8/p3p3/8/3K4/8/8 b - - 0 1", {{&b.pawn_race[WHITE], -150}}},
        // A bare king against more than a rook.
        {"4k3/8/8/8/8/8/8/3QK3 b - - 0 1", {{&b.bare_king, -200}}},
        {"4k3/8/8/8/8/8/8/3RK3 w - - 0 1", {{&b.bare_king, 0}}},
    };
    for (const auto& [fen, values] : cases) {
        root_eval(fen);
        for (size_t i = 0; i < values.size(); i++) EXPECT_EQ(*values[i].first, values[i].second) << fen << ", value " << i;
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
    EXPECT_EQ(pos.pst_sum[WHITE], t.king_pst[WHITE][E1] + t.queen_pst[WHITE][A8] + t.rook_pst[WHITE][A1] +
                                      t.rook_pst[WHITE][H1]);
}
// clang-format on

}  // namespace
