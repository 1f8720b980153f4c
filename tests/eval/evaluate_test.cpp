// The evaluation driver: attack words, legality verdict on every path, the
// cache, the lazy exit, the tablebase hook and the endgame scalings.
#include "eval/evaluate.h"

#include "board/makemove.h"
#include "eval_fixture.h"

namespace {

// Fills the attack tables with a pattern; a path that rebuilds them shows.
void poison_attack_tables() {
    for (auto& side : attack_count)
        for (int32_t& word : side) word = 0x7777;
}
bool attack_tables_untouched() {
    for (const auto& side : attack_count)
        for (int32_t word : side)
            if (word != 0x7777) return false;
    return true;
}

TEST_F(EvalTest, AttackWordsCountAttackersAndFlagTheirKinds) {
    set("4k3/8/8/8/8/5N2/3P4/R2QK3 w - - 0 1");
    build_attack_table(WHITE);
    build_attack_table(BLACK);
    const int32_t* w = attack_count[WHITE];
    EXPECT_EQ(w[D2], 0x2B03);  // queen, knight and king on the own pawn
    EXPECT_EQ(w[E1], 0x2A02);  // knight and queen defend the king
    EXPECT_EQ(w[D1], 0x0502);  // rook and king; the queen does not attack itself
    EXPECT_EQ(w[E3], 0x4001);  // the pawn's capture square
    EXPECT_EQ(w[D3], 0x0000);  // the pawn does not attack straight ahead
    EXPECT_EQ(w[E2], 0x0302);
    EXPECT_EQ(w[F3], 0x0201);  // the queen's diagonal stops at the knight...
    EXPECT_EQ(w[G4], 0x0000);  // ...and does not see through it
    EXPECT_EQ(w[A8], 0x0401);
    EXPECT_EQ(attack_count[BLACK][D7], 0x0101);
    EXPECT_EQ(attack_count[BLACK][E6], 0x0000);
}

TEST_F(EvalTest, AttackingTheEnemyKingIsIllegalOnEveryPathAndNeverCached) {
    // Full path: the first iterations always evaluate fully.
    set("4k3/8/8/8/8/8/4Q3/4K3 w - - 0 1");
    int in_check = 7, tablebase_hit = 7;
    EXPECT_EQ(evaluate(WHITE, 1, in_check, tablebase_hit), ILLEGAL_SCORE);
    EXPECT_EQ(in_check, 7);  // not written for an illegal position
    EXPECT_EQ(cached_entries(), 0);

    // Tablebase path: few men near the root; the verdict comes before any
    // attack table is built and before the probe.
    options.tablebase_pieces = 3;
    options.use_tablebases = 1;
    const int probes = tb_counters.probe_count;
    poison_attack_tables();
    EXPECT_EQ(evaluate(WHITE, 1, in_check, tablebase_hit), ILLEGAL_SCORE);
    EXPECT_TRUE(attack_tables_untouched());
    EXPECT_EQ(tb_counters.probe_count, probes);
    EXPECT_EQ(cached_entries(), 0);
    options.tablebase_pieces = 0;
    options.use_tablebases = 0;

    // Lazy path: both sides have more than a rook's worth of pieces and the
    // balance is far from the expected score.
    set("rn2k3/8/8/8/8/8/4Q3/R3K3 w - - 0 1");
    prepare_evaluation();
    recompute_pst_sum();
    search.iteration_depth = 5;
    poison_attack_tables();
    EXPECT_EQ(evaluate(WHITE, 3, in_check, tablebase_hit), ILLEGAL_SCORE);
    EXPECT_TRUE(attack_tables_untouched());
    EXPECT_EQ(cached_entries(), 0);
}

TEST_F(EvalTest, LazyExitReturnsTheBalanceUncachedAndTheWindowFollowsTheRootSide) {
    set("rn2k3/8/8/8/8/8/3Q4/R3K3 w - - 0 1");
    prepare_evaluation();
    recompute_pst_sum();
    const int base = material_value[pos.material_signature[WHITE]] -
                     material_value[pos.material_signature[BLACK]] + pos.pst_sum[WHITE] - pos.pst_sum[BLACK];
    ASSERT_GT(base, 600);
    search.iteration_depth = 5;
    search.root_score = 0;
    int in_check = -1, tablebase_hit = -1;
    poison_attack_tables();
    EXPECT_EQ(evaluate(WHITE, 3, in_check, tablebase_hit), base);
    EXPECT_EQ(in_check, 0);
    EXPECT_EQ(tablebase_hit, 0);
    EXPECT_TRUE(attack_tables_untouched());
    EXPECT_EQ(cached_entries(), 0);

    // Close enough to the root score: full evaluation, stored in white's table.
    search.root_score = base - 249;
    const int full = evaluate(WHITE, 3, in_check, tablebase_hit);
    EXPECT_FALSE(attack_tables_untouched());
    EXPECT_EQ(cache_entry(WHITE).key, pos.hash_key_high);
    EXPECT_EQ(cache_entry(WHITE).score, full);
    EXPECT_EQ(cached_entries(), 1);

    // The window edge itself is outside.
    clear_cache();
    search.root_score = base - 250;
    EXPECT_EQ(evaluate(WHITE, 3, in_check, tablebase_hit), base);
    EXPECT_EQ(cached_entries(), 0);

    // For the side not to move at the root the expected score is negated:
    // black's balance is -base, so a root score near base is near for black.
    search.root_score = base - 100;
    poison_attack_tables();
    evaluate(BLACK, 4, in_check, tablebase_hit);
    EXPECT_FALSE(attack_tables_untouched());
    EXPECT_EQ(cache_entry(BLACK).key, pos.hash_key_high);

    // The first branch of an iteration is always evaluated fully.
    clear_cache();
    search.root_score = 0;
    search.on_first_path = 1;
    evaluate(WHITE, 3, in_check, tablebase_hit);
    EXPECT_EQ(cached_entries(), 1);
}

TEST_F(EvalTest, LittleMaterialAlwaysGetsTheFullEvaluation) {
    // White has only a rook's worth of pieces: no lazy exit however far the
    // balance is from the root score.
    set("4k3/8/8/8/8/8/PPPP4/R3K3 w - - 0 1");
    prepare_evaluation();
    recompute_pst_sum();
    search.iteration_depth = 7;
    search.root_score = -2000;
    int in_check, tablebase_hit;
    evaluate(WHITE, 3, in_check, tablebase_hit);
    EXPECT_EQ(cached_entries(), 1);
}

TEST_F(EvalTest, CacheAnswersWithTheSameScoreFlagAndCheckingSlot) {
    // Black's knight (slot 2 after king and rook) gives check from d3.
    set("4k2r/8/8/8/4n3/8/8/R3K3 b - - 0 1");
    prepare_evaluation();
    recompute_pst_sum();
    ASSERT_EQ(pos.list_slot[E4], 2);
    make_move(make_move_code(E4, D3, MOVE_QUIET), BLACK, 1);
    int in_check = -1, tablebase_hit = -1;
    search.check_slot[2] = -1;
    const int first = evaluate(WHITE, 2, in_check, tablebase_hit);
    EXPECT_EQ(in_check, 1);
    EXPECT_EQ(search.check_slot[2], 2);
    EXPECT_EQ(cache_entry(WHITE).key, pos.hash_key_high);
    EXPECT_EQ(cache_entry(WHITE).in_check, 1);

    // Change what a fresh evaluation would see but not the key: the answer
    // must come from the cache.
    pos.pst_sum[WHITE] += 500;
    in_check = -1;
    search.check_slot[2] = -1;
    EXPECT_EQ(evaluate(WHITE, 2, in_check, tablebase_hit), first);
    EXPECT_EQ(in_check, 1);
    EXPECT_EQ(search.check_slot[2], 2);

    // The other side to move has its own table.
    EXPECT_EQ(cache_entry(BLACK).key, 0u);
}

TEST_F(EvalTest, NoCheckWritesZeroCheckSlot) {
    search.check_slot[1] = 9;
    int in_check;
    EXPECT_NE(root_eval("4k3/8/8/8/8/8/8/R3K3 w - - 0 1", &in_check), ILLEGAL_SCORE);
    EXPECT_EQ(in_check, 0);
    EXPECT_EQ(search.check_slot[1], 0);
}

TEST_F(EvalTest, TablebaseProbeOnlyNearTheRootOrAfterCapturesWithFewMen) {
    options.tablebase_pieces = 5;
    options.use_tablebases = 1;
    int in_check, tablebase_hit;
    auto probes_for = [&](int ply) {
        clear_cache();
        const int before = tb_counters.probe_count;
        evaluate(pos.side_to_move, ply, in_check, tablebase_hit);
        return tb_counters.probe_count - before;
    };
    set("4k3/8/8/8/8/8/3P4/R3K3 w - - 0 1");
    prepare_evaluation();
    recompute_pst_sum();
    EXPECT_EQ(probes_for(1), 1);
    EXPECT_EQ(tablebase_hit, 0);  // nothing registered: the evaluation goes on
    EXPECT_EQ(probes_for(2), 1);
    EXPECT_EQ(probes_for(3), 0);  // deeper: only inside the iteration after a capture
    search.iteration_depth = 5;
    pos.move_history[pos.game_ply].move = static_cast<int32_t>(make_move_code(B2, D2, MOVE_CAPTURE));
    EXPECT_EQ(probes_for(3), 1);
    EXPECT_EQ(probes_for(5), 0);  // not below the nominal depth
    pos.move_history[pos.game_ply].move = static_cast<int32_t>(make_move_code(B2, D2, MOVE_QUIET));
    EXPECT_EQ(probes_for(3), 0);
    pos.move_history[pos.game_ply].move = 13;  // the search's null move
    EXPECT_EQ(probes_for(3), 0);
    options.use_tablebases = 0;
    EXPECT_EQ(probes_for(1), 0);
    options.use_tablebases = 1;

    set("4k3/8/8/8/8/8/3PPP2/R3K3 w - - 0 1");  // six men
    EXPECT_EQ(probes_for(1), 0);
    set("4k3/pp6/8/8/8/8/PP6/4K3 w - - 0 1");  // four pawns
    EXPECT_EQ(probes_for(1), 0);
    set("4k3/p7/8/8/8/8/PP6/4K3 w - - 0 1");  // three pawns, five men
    EXPECT_EQ(probes_for(1), 1);
    options.tablebase_pieces = 4;
    EXPECT_EQ(probes_for(1), 0);
}

TEST_F(EvalTest, SideToMoveBonusInTheStartPosition) {
    EXPECT_EQ(root_eval(START_FEN), 17);
    EXPECT_EQ(root_eval("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"), 17);
}

TEST_F(EvalTest, LoneKnightCannotWin) {
    EXPECT_EQ(root_eval("8/8/8/8/8/8/8/KN5k w - - 0 1"), 0);
    EXPECT_EQ(root_eval("8/8/8/8/8/8/8/KN5k b - - 0 1"), 0);
    EXPECT_EQ(breakdown().ending_rule, ENDING_LONE_MINOR);
    EXPECT_EQ(root_eval("8/8/8/8/8/8/8/Kb5k w - - 0 1"), 0);
}

TEST_F(EvalTest, TwoKnightsAgainstBareKingScoreByTheLoneKingsSquare) {
    // Lone king in a corner, phase 10, no pawns: its piece-square value is 0.
    EXPECT_EQ(root_eval("k7/8/8/8/8/8/8/KNN5 w - - 0 1"), 30);
    EXPECT_EQ(root_eval("k7/8/8/8/8/8/8/KNN5 b - - 0 1"), -30);
    EXPECT_EQ(breakdown().ending_rule, ENDING_TWO_KNIGHTS);
    // In the centre the lone king's square is worth 36 in the ending.
    EXPECT_EQ(root_eval("8/8/8/3k4/8/8/8/KNN5 w - - 0 1"), 30 - 36);
    EXPECT_EQ(root_eval("8/8/8/3k4/8/8/8/KNN5 b - - 0 1"), 36 - 30);
}

TEST_F(EvalTest, OppositeBishopsPullTheBalanceTowardsADraw) {
    // d1 is a light square, d4 a dark one; one pawn each; phase 10.
    const char* fen = "4k3/p7/8/8/3b4/8/P7/3BK3 w - - 0 1";
    root_eval(fen);
    ASSERT_EQ(phase_state.phase, 10);
    ASSERT_EQ(material_value[pos.material_signature[WHITE]], material_value[pos.material_signature[BLACK]]);
    const int cases[][2] = {{100, 40}, {50, 25}, {-61, -1}, {60, 30}, {-60, -30}, {61, 1}, {-100, -40}};
    for (const auto& c : cases) {
        clear_cache();
        pos.pst_sum[WHITE] = c[0];
        pos.pst_sum[BLACK] = 0;
        int in_check, tablebase_hit;
        evaluate(WHITE, 1, in_check, tablebase_hit);
        EXPECT_EQ(breakdown().base, c[1]) << "balance " << c[0];
    }
    // Bishops on the same colour: no scaling.
    root_eval("4k3/p7/8/8/2b5/8/P7/3BK3 w - - 0 1");
    clear_cache();
    pos.pst_sum[WHITE] = 100;
    pos.pst_sum[BLACK] = 0;
    int in_check, tablebase_hit;
    evaluate(WHITE, 1, in_check, tablebase_hit);
    EXPECT_EQ(breakdown().base, 100);
}

TEST_F(EvalTest, RookAgainstLoneBishopIsHalved) {
    // Worked by hand: base 571 - 382 + (18 - 15) - (18 + 4) = 170; white's
    // rook earns 40 activity, 14 mobility (halved), 14 file, 3 tropism; the
    // bishop 8 outpost and 12 mobility (halved). 170 + 64 - 14 + 17 = 237.
    EXPECT_EQ(root_eval("3bk3/8/8/8/8/8/8/R3K3 w - - 0 1"), 237 / 2);
    EXPECT_EQ(breakdown().before_endings, 237);
    EXPECT_EQ(breakdown().ending_rule, ENDING_ROOK_AGAINST_MINOR);
    // Black to move: -170 + 14 - 64 + 17 = -203, halved toward zero.
    EXPECT_EQ(root_eval("3bk3/8/8/8/8/8/8/R3K3 b - - 0 1"), -101);
    // Colours reversed: the same halving from black's rook.
    const int reversed = root_eval("r3k3/8/8/8/8/8/8/3BK3 b - - 0 1");
    EXPECT_EQ(breakdown().ending_rule, ENDING_ROOK_AGAINST_MINOR);
    EXPECT_EQ(reversed, breakdown().before_endings / 2);
    // A pawn for the rook's side takes the ending out of the rule.
    root_eval("3bk3/8/8/8/8/8/P7/R3K3 w - - 0 1");
    EXPECT_EQ(breakdown().ending_rule, ENDING_NONE);
}

TEST_F(EvalTest, BareKingAgainstMoreThanARook) {
    root_eval("4k3/8/8/8/8/8/8/3QK3 w - - 0 1");
    EXPECT_EQ(breakdown().bare_king, 200);
    root_eval("4k3/8/8/8/8/8/8/3QK3 b - - 0 1");
    EXPECT_EQ(breakdown().bare_king, -200);
    root_eval("4k3/8/8/8/8/8/8/3RK3 w - - 0 1");  // a rook is worth 571 here
    EXPECT_EQ(breakdown().bare_king, 0);
}

TEST_F(EvalTest, PawnlessSideLosesLeadToTheDefendersPawns) {
    // White: rook and knight, no pawns; black: two pawns. White's lead is cut
    // by half of what two pawns are worth (2 x 90 + 20).
    const int score = root_eval("4k3/pp6/8/8/8/8/8/RN2K3 w - - 0 1");
    EXPECT_EQ(breakdown().defender_pawns, -100);
    EXPECT_EQ(score, breakdown().before_endings - 100);
}

TEST_F(EvalTest, PawnCountBalance) {
    root_eval("4k3/8/8/8/8/8/PPP5/4K3 w - - 0 1");  // three pawns up
    EXPECT_EQ(breakdown().pawn_balance[WHITE], -50);
    EXPECT_EQ(breakdown().pawn_balance[BLACK], 0);
    root_eval("4k3/8/8/8/8/8/PPP5/4K3 b - - 0 1");  // black to move, three down
    EXPECT_EQ(breakdown().pawn_balance[BLACK], 50);
    EXPECT_EQ(breakdown().pawn_balance[WHITE], 0);
    root_eval("4k3/pppp4/8/8/8/8/PPPPPP2/4K3 w - - 0 1");
    EXPECT_EQ(breakdown().pawn_balance[WHITE], -30);
    root_eval("4k3/pppppppp/8/8/8/8/P7/4K3 w - - 0 1");  // seven down
    EXPECT_EQ(breakdown().pawn_balance[WHITE], 160);
    root_eval("4k3/ppppp3/8/8/8/8/P7/4K3 w - - 0 1");  // four down
    EXPECT_EQ(breakdown().pawn_balance[WHITE], 70);
    root_eval("4k3/pp6/8/8/8/8/P7/4K3 w - - 0 1");  // one down
    EXPECT_EQ(breakdown().pawn_balance[WHITE], 0);
}

TEST_F(EvalTest, ThreatsWeighEighteenEach) {
    // The white queen hangs to the rook and has nowhere to go: 3 threats.
    root_eval("Q6r/PP5k/8/8/8/8/8/6K1 w - - 0 1");
    EXPECT_EQ(eval_state.threat_count[WHITE], 3);
    EXPECT_EQ(breakdown().threats[WHITE], -54);
}

}  // namespace
