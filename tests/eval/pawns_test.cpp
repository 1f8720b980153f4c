// Pawn structure: each term of the per-pawn evaluator, the passed-pawn
// valuation in all its branches, and the whole-board pawn terms.
#include "eval/pawns.h"

#include "eval_fixture.h"

namespace {

// The pawn evaluator's contribution for one pawn of side b.
struct PawnTerms {
    int32_t pawn;
    int32_t centre;
};
PawnTerms pawn_terms(int b, int square, int stm) {
    begin_side_evaluation(b);
    eval_pawn(square, stm);
    return {eval_state.side_terms[b].pawn_score, eval_state.side_terms[b].pawn_centre_score};
}

TEST_F(EvalTest, UnstoppablePasserAgainstBareKing) {
    // e6, the black king on h1 outside the square, black without pieces.
    context("8/8/4P3/8/8/8/8/K6k w - - 0 1", WHITE);
    EXPECT_EQ(passed_pawn_value(E6, WHITE), 460);
    EXPECT_EQ(passed_pawn_value(E6, BLACK), 460);  // one rank back still outside
    // Isolated on the e-file: 460 - 14.
    EXPECT_EQ(pawn_terms(WHITE, E6, WHITE).pawn, 446);
}

TEST_F(EvalTest, FreePasserWhenTheEnemyHasAPiece) {
    // A black knight far away: free_passer 200 x w / 8 with w = 10 / 3 + 4.
    context("8/8/4P3/8/8/8/n7/K6k w - - 0 1", WHITE);
    ASSERT_EQ(phase_state.phase, 10);
    EXPECT_EQ(passed_pawn_value(E6, WHITE), 175);
    // At phase 9 w is 9 / 3 + 4 = 7 as well.
    phase_state.phase = 9;
    EXPECT_EQ(passed_pawn_value(E6, WHITE), 175);
    // At phase 5 w = 5: 200 x 5 / 8 = 125.
    phase_state.phase = 5;
    EXPECT_EQ(passed_pawn_value(E6, WHITE), 125);
}

TEST_F(EvalTest, CandidateWhenAnEnemyPawnGuardsThePath) {
    // d6 guards e5: 15 x 7 / 8 - distance to own king 3 + to enemy king 4.
    context("4k3/8/3p4/8/4P3/8/8/4K3 w - - 0 1", WHITE);
    EXPECT_EQ(passed_pawn_value(E4, WHITE), 13 - 3 + 4);
    // The pawn is also isolated (-14), backward (-11 with no attacker on it)
    // on a file without black pawns (-12); its stop square is free.
    const PawnTerms t = pawn_terms(WHITE, E4, WHITE);
    EXPECT_EQ(t.pawn, 14 - 14 - 11 - 12);
    EXPECT_EQ(t.centre, 0);                          // 10 - phase 10, and no bonus at phase 10
    EXPECT_EQ(eval_state.fixed_pawns[WHITE][0], 1);  // e4 is light
    EXPECT_EQ(eval_state.fixed_pawns[WHITE][1], 0);
}

TEST_F(EvalTest, PasserInsideTheKingsSquareJoinsTheRace) {
    context("4k3/8/8/8/4P3/8/8/4K3 w - - 0 1", WHITE);
    // 40 x 7 / 8 + 4 x distance 4 to the enemy king.
    EXPECT_EQ(passed_pawn_value(E4, WHITE), 35 + 16);
    EXPECT_EQ(eval_state.race_pawn[WHITE][4], E4);
    eval_state.race_pawn[WHITE][4] = 0;
    EXPECT_EQ(passed_pawn_value(E4, BLACK), 35 + 16);  // not attacked: the king is far
    EXPECT_EQ(eval_state.race_pawn[WHITE][4], E4);
}

TEST_F(EvalTest, AttackedPasserWithTheEnemyToMove) {
    // The black king on d5 attacks e4 and black is to move: no race entry,
    // 35 + 4 x distance 1.
    context("8/8/8/3k4/4P3/8/8/K7 b - - 0 1", WHITE);
    EXPECT_EQ(passed_pawn_value(E4, BLACK), 35 + 4);
    EXPECT_EQ(eval_state.race_pawn[WHITE][4], 0);
    // Defended by a pawn: 19 more.
    context("8/8/8/3k4/4P3/3P4/8/K7 b - - 0 1", WHITE);
    EXPECT_EQ(passed_pawn_value(E4, BLACK), 35 + 19 + 4);
}

TEST_F(EvalTest, BlockedPasserOutsideTheSquare) {
    // The black knight on g7 controls e6; the black king on h1 is outside
    // the square. v = (w - distance(e5, a1) + 8) x distance(e5, h1).
    context("8/6n1/8/8/4P3/8/8/K6k w - - 0 1", WHITE);
    EXPECT_EQ(passed_pawn_value(E4, WHITE), 35 + (7 - 4 + 8) * 4);
    // A black rook attacking the pawn along the fourth rank blocks it too.
    context("8/8/8/8/4P2r/8/8/K6k w - - 0 1", WHITE);
    EXPECT_EQ(passed_pawn_value(E4, WHITE), 35 + (7 - 4 + 8) * 4);
}

TEST_F(EvalTest, BlackPasserSeenFromBlack) {
    // Mirror of the unstoppable case: d3 for black is rank index 5.
    context("k6K/8/8/8/8/3p4/8/8 b - - 0 1", BLACK);
    EXPECT_EQ(passed_pawn_value(D3, BLACK), 460);
    EXPECT_EQ(pawn_terms(BLACK, D3, BLACK).pawn, 460 - 14);
}

TEST_F(EvalTest, IsolatedDoubledAndHalfOpen) {
    // Two white e-pawns, no black e-pawn, a black rook: the rear pawn takes
    // -14 isolated, -12 half-open, -4 doubled and is fixed behind its twin.
    context("4k2r/8/8/8/4P3/4P3/8/4K3 w - - 0 1", WHITE);
    EXPECT_EQ(pawn_terms(WHITE, E3, WHITE).pawn, -14 - 12 - 4);
    EXPECT_EQ(eval_state.fixed_pawns[WHITE][1], 1);  // e3 is dark
    // The front pawn takes the same plus its passed-pawn value.
    const int passed = passed_pawn_value(E4, WHITE);
    EXPECT_EQ(pawn_terms(WHITE, E4, WHITE).pawn, passed - 30);
    // Without the black rook there is no half-open penalty.
    context("4k3/8/8/8/4P3/4P3/8/4K3 w - - 0 1", WHITE);
    EXPECT_EQ(pawn_terms(WHITE, E3, WHITE).pawn, -14 - 4);
    // Edge files have their own isolated values.
    context("4k3/8/8/8/8/P7/8/4K3 w - - 0 1", WHITE);
    EXPECT_EQ(pawn_terms(WHITE, A3, WHITE).pawn - passed_pawn_value(A3, WHITE), -8);
}

TEST_F(EvalTest, BlockedCentrePawnAtTheStart) {
    // d2 blocked by its own knight on d3 at phase 0; c2 and e2 cover d3.
    context("rnbqkbnr/pppppppp/8/8/8/3N4/PPPPPPPP/R1BQKBNR w KQkq - 0 1", WHITE);
    EXPECT_EQ(pawn_terms(WHITE, D2, WHITE).pawn, -15);
    // Now no white pawn covers d3 and the black pawn on c4 attacks it: also
    // backward (-11, no black attacker on d2) and blocked backward (-5).
    context("rnbqkbnr/pp1ppppp/8/8/2p1P3/3N4/PP1P1PPP/R1BQKBNR w KQkq - 0 1", WHITE);
    EXPECT_EQ(pawn_terms(WHITE, D2, WHITE).pawn, -15 - 11 - 5);
    EXPECT_EQ(eval_state.fixed_pawns[WHITE][1], 1);  // d2 is dark
    // The same for black on e7, blocked by a bishop on e6.
    context("rn1qkbnr/pppppppp/4b3/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", BLACK);
    EXPECT_EQ(pawn_terms(BLACK, E7, BLACK).pawn, -15);
}

TEST_F(EvalTest, BackwardPawnCountsEnemyAttackers) {
    // White d3: its neighbours on c4 and e4 cannot cover d4, which the black
    // e5 pawn controls; the black knight on b4 is the one attacker of d3.
    context("4k3/8/3p4/4p3/1nP1P3/3P4/8/4K3 w - - 0 1", WHITE);
    EXPECT_EQ(pawn_terms(WHITE, D3, WHITE).pawn, -18);
    EXPECT_EQ(eval_state.fixed_pawns[WHITE][0], 1);  // d3 is light
}

TEST_F(EvalTest, CentralPawnsByPhase) {
    context("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1", WHITE);
    const PawnTerms early = pawn_terms(WHITE, E4, WHITE);
    EXPECT_EQ(early.centre, 10 + 5);
    EXPECT_EQ(early.pawn, 0);
    EXPECT_EQ(eval_state.fixed_pawns[WHITE][0], 1);  // e4 (light) is blocked by e5
    context("rnb1kbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNB1KBNR w KQkq - 0 1", WHITE);  // phase 5
    EXPECT_EQ(pawn_terms(WHITE, E4, WHITE).centre, 5);
    EXPECT_EQ(pawn_terms(BLACK, E5, WHITE).centre, 5);
    EXPECT_EQ(pawn_terms(WHITE, D2, WHITE).centre, 0);
}

TEST_F(EvalTest, TwoRacingPassersTheKingCannotBothCatch) {
    // White pawns a4 and e4, both inside the black king's square: black's
    // total loses 150.
    root_eval("8/8/3k4/8/P3P3/8/8/K7 w - - 0 1");
    EXPECT_EQ(breakdown().pawn_race[BLACK], -150);
    EXPECT_EQ(breakdown().pawn_race[WHITE], 0);
    // With black to move and its king on d5 (in check) the king attacks e4,
    // which then is not a race pawn.
    root_eval("8/8/8/3k4/P3P3/8/8/K7 b - - 0 1");
    EXPECT_EQ(breakdown().pawn_race[BLACK], 0);
    // Two files apart is not enough.
    root_eval("8/8/3k4/8/2P1P3/8/8/K7 w - - 0 1");
    EXPECT_EQ(breakdown().pawn_race[BLACK], 0);
    // Only in pure pawn endings.
    root_eval("n7/8/3k4/8/P3P3/8/8/K7 w - - 0 1");
    EXPECT_EQ(breakdown().pawn_race[BLACK], 0);
    // Black's racing pawns cost white.
    root_eval("k7/8/8/p3p3/8/3K4/8/8 b - - 0 1");
    EXPECT_EQ(breakdown().pawn_race[WHITE], -150);
}

TEST_F(EvalTest, WingMajorities) {
    // Phase 10. White a2, b2 against nothing: 2 x 10 twice; black h7: once.
    root_eval("7k/7p/8/8/8/8/PP6/K7 w - - 0 1");
    EXPECT_EQ(breakdown().wing_majority[WHITE], 40);
    EXPECT_EQ(breakdown().wing_majority[BLACK], 20);
    // The running count of enemy pawns behind is not reset between files:
    // a2, b2, c2 against doubled a-pawns gives nothing.
    root_eval("7k/8/p7/p7/8/8/PPP5/K7 w - - 0 1");
    EXPECT_EQ(breakdown().wing_majority[WHITE], 0);
    EXPECT_EQ(breakdown().wing_majority[BLACK], 0);
    // Kingside for white: h2 and g2 against nothing on f, g, h.
    root_eval("k7/p7/8/8/8/8/6PP/7K w - - 0 1");
    EXPECT_EQ(breakdown().wing_majority[WHITE], 40);
    EXPECT_EQ(breakdown().wing_majority[BLACK], 20);
}

TEST_F(EvalTest, BishopAgainstItsFixedPawns) {
    // White: light bishop, d4 blocked, e3 backward and blocked: three fixed
    // dark pawns, + 10 x 3. Black has no bishop.
    root_eval("4k3/8/8/3p4/3Pp3/4P3/8/4KB2 w - - 0 1");
    EXPECT_EQ(eval_state.fixed_pawns[WHITE][1], 3);
    EXPECT_EQ(eval_state.fixed_pawns[WHITE][0], 0);
    EXPECT_EQ(eval_state.fixed_pawns[BLACK][0], 3);
    EXPECT_EQ(breakdown().bad_bishop[WHITE], 30);
    EXPECT_EQ(breakdown().bad_bishop[BLACK], 0);
    // With a dark bishop the sign turns.
    root_eval("4k3/8/8/3p4/3Pp3/4P3/8/2B1K3 w - - 0 1");
    EXPECT_EQ(breakdown().bad_bishop[WHITE], -30);
    // Both bishops: no term.
    root_eval("4k3/8/8/3p4/3Pp3/4P3/8/2B1KB2 w - - 0 1");
    EXPECT_EQ(breakdown().bad_bishop[WHITE], 0);
}

}  // namespace
