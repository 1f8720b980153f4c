// Piece terms: outposts, slider scans with pins and discoveries, mobility,
// threats and trapped pieces, rook files, queen and rook tropism, king
// safety.
#include "eval/pieces.h"

#include "board/makemove.h"
#include "eval_fixture.h"

namespace {

// Runs one evaluator for the piece of side b on square, from empty
// accumulators.
const SideTerms& run(void (*evaluator)(int, int), int b, int square, int stm = WHITE) {
    begin_side_evaluation(b);
    evaluator(square, stm);
    return eval_state.side_terms[b];
}

TEST_F(EvalTest, KnightOutpostSupportedByTwoPawns) {
    // Phase 0, no black pawn on the d- or f-file above the fourth rank.
    context("rnbqkbnr/ppp1p1pp/8/4N3/3P1P2/8/PPP3PP/RNBQKB1R w KQkq - 0 1", WHITE);
    ASSERT_EQ(phase_state.opening_weight, 10);
    const SideTerms& t = run(eval_knight, WHITE, E5);
    EXPECT_EQ(t.activity_score, 10 + 10 + 20);
    EXPECT_EQ(t.safety_score, 0);
    // One supporting pawn only: outpost and defended, no third bonus.
    context("rnbqkbnr/ppp1p1pp/8/4N3/3P4/8/PPP3PP/RNBQKB1R w KQkq - 0 1", WHITE);
    EXPECT_EQ(run(eval_knight, WHITE, E5).activity_score, 20);
    // A black pawn on f7 could chase it from e6: no outpost.
    context("rnbqkbnr/ppp1pppp/8/4N3/3P1P2/8/PPP3PP/RNBQKB1R w KQkq - 0 1", WHITE);
    EXPECT_EQ(run(eval_knight, WHITE, E5).activity_score, 0);
    // In the bare ending knights get no outpost bonus.
    context("4k3/8/8/4N3/3P1P2/8/8/4K3 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_knight, WHITE, E5).activity_score, 0);
}

TEST_F(EvalTest, KnightThreats) {
    // Attacked by a rook, defended by a rook: attacked and defended, -8.
    context("4r1k1/8/8/8/4N3/8/8/4R1K1 w - - 0 1", WHITE);
    const SideTerms& t = run(eval_knight, WHITE, E4);
    EXPECT_EQ(t.safety_score, -8);
    EXPECT_EQ(eval_state.threat_count[WHITE], 0);
    // Defended by a pawn and attacked only by the rook: nothing.
    context("4r1k1/8/8/8/4N3/3P4/8/6K1 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_knight, WHITE, E4).safety_score, 0);
    // Attacked by a pawn: hanging although defended; it has safe squares.
    context("4r1k1/8/8/3p4/4N3/8/8/4R1K1 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_knight, WHITE, E4).safety_score, -12);
    EXPECT_EQ(eval_state.threat_count[WHITE], 1);
    // Undefended and attacked by a bishop: hanging.
    context("6k1/8/8/8/4N3/8/6b1/6K1 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_knight, WHITE, E4).safety_score, -12);
    EXPECT_EQ(eval_state.threat_count[WHITE], 1);
}

TEST_F(EvalTest, BishopScanFindsAPinAndCountsMobilityThroughIt) {
    // Bb5 pins Nc6 to the king on e8; b7 defends the knight. Phase 10: no
    // king-zone values. Empty squares reached: a6, d7 (behind the knight),
    // c4, d3, e2, f1, a4.
    context("4k3/1p6/2n5/1B6/8/8/8/7K w - - 0 1", WHITE);
    ASSERT_EQ(phase_state.phase, 10);
    begin_side_evaluation(WHITE);
    int n = -1;
    EXPECT_EQ(slider_scan(B5, n), 24);
    EXPECT_EQ(n, 7);
    EXPECT_EQ(eval_state.threat_count[BLACK], 0);
    // The full bishop: pin 24 + outpost 8; mobility 12 for seven squares.
    const SideTerms& t = run(eval_bishop, WHITE, B5);
    EXPECT_EQ(t.activity_score, 24 + 8);
    EXPECT_EQ(t.mobility_score, 12);
    EXPECT_EQ(t.safety_score, 0);
    // Undefended, the pinned knight also counts as a threat against black.
    context("4k3/8/2n5/1B6/8/8/8/7K w - - 0 1", WHITE);
    begin_side_evaluation(WHITE);
    EXPECT_EQ(slider_scan(B5, n), 24);
    EXPECT_EQ(eval_state.threat_count[BLACK], 1);
}

TEST_F(EvalTest, RookScanFindsDiscoveriesAndPinsOnUndefendedPieces) {
    // Re1 behind its own knight on e4 sees an undefended black knight on e7.
    // Phase 10: no king-zone values.
    context("k7/4n3/8/8/4N3/8/8/4RK2 w - - 0 1", WHITE);
    begin_side_evaluation(WHITE);
    int n = -1;
    EXPECT_EQ(slider_scan(E1, n), 16);
    EXPECT_EQ(n, 8);  // e2, e3, e5, e6, d1, c1, b1, a1
    // A defended piece cheaper than the rook behind: nothing.
    context("4k3/4n3/8/8/4N3/8/8/4RK2 w - - 0 1", WHITE);
    begin_side_evaluation(WHITE);
    EXPECT_EQ(slider_scan(E1, n), 0);
    // A black knight in front of an undefended rook of the same kind: a pin;
    // the knight is defended by the rook, and white's single rook on it is
    // no threat. (Phase 9: the king-zone squares around a8 are not visited.)
    context("k7/4r3/8/8/4n3/8/8/4RK2 w - - 0 1", WHITE);
    begin_side_evaluation(WHITE);
    EXPECT_EQ(slider_scan(E1, n), 24);
    EXPECT_EQ(eval_state.threat_count[BLACK], 0);
    // A pawn in front ends the ray: nothing is seen behind it.
    context("k7/4r3/8/8/4P3/8/8/4RK2 w - - 0 1", WHITE);
    begin_side_evaluation(WHITE);
    EXPECT_EQ(slider_scan(E1, n), 0);
    EXPECT_EQ(n, 6);
}

TEST_F(EvalTest, SlidersEarnForSquaresNextToTheEnemyKing) {
    // Phase 0: each square next to the black king (or the king's own
    // square) that the rook's rays visit is worth 10. The a-file rook sees
    // a2..a7 and b1..d1 (stopped by the queen); nothing near e8.
    context(START_FEN, WHITE);
    begin_side_evaluation(WHITE);
    int n;
    EXPECT_EQ(slider_scan(A1, n), 0);
    // A rook on an open d-file sees d7 and d8 next to the black king. Without
    // queens the phase is 5, so each is worth 5.
    context("rnb1kbnr/ppp2ppp/8/8/8/8/PPP2PPP/RNBRKBN1 w - - 0 1", WHITE);
    ASSERT_EQ(phase_state.opening_weight, 5);
    begin_side_evaluation(WHITE);
    EXPECT_EQ(slider_scan(D1, n), 5 + 5);
}

TEST_F(EvalTest, BishopOutpostAndTrappedBishop) {
    // White bishop on a7 behind a black b7 pawn, b6 covered by the black
    // king: -130. Phase 10.
    context("8/Bpk5/8/8/8/8/8/4K3 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_bishop, WHITE, A7).safety_score, -130);
    // A pawn on b6 (still covered) traps it too.
    context("8/B1k5/1p6/8/8/8/8/4K3 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_bishop, WHITE, A7).safety_score, -130);
    // b6 free of black control: no trap.
    context("8/Bp6/8/8/8/8/8/4K2k w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_bishop, WHITE, A7).safety_score, 0);
    // Black's bishop on h2 behind a white g2 pawn, g3 covered by the king.
    context("4k3/8/8/8/8/8/5KPb/8 b - - 0 1", BLACK);
    EXPECT_EQ(run(eval_bishop, BLACK, H2).safety_score, -130);
}

TEST_F(EvalTest, BlockedFianchettoBishops) {
    // g2 bishop: its e4 pawn is blocked by e5. Empty squares: f3, h3, h1,
    // f1: mobility 4, then -7.
    context("4k3/8/8/4p3/4P3/8/6B1/4K3 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_bishop, WHITE, G2).mobility_score, 4 - 7);
    // b7 bishop for black: its d5 pawn blocked by d4: -4.
    context("4k3/1b6/8/3p4/3P4/8/8/4K3 b - - 0 1", BLACK);
    const int with_block = run(eval_bishop, BLACK, B7).mobility_score;
    context("4k3/1b6/8/3p4/8/8/8/4K3 b - - 0 1", BLACK);
    const int without = run(eval_bishop, BLACK, B7).mobility_score;
    EXPECT_EQ(with_block - without, -4);
}

TEST_F(EvalTest, BishopOutpostWeightFollowsThePhase) {
    // Phase 10: bishop_outpost_weight 8, twice when a pawn defends it.
    context("4k3/8/8/3B4/4P3/8/8/4K3 w - - 0 1", WHITE);
    begin_side_evaluation(WHITE);
    int n;
    const int scan = slider_scan(D5, n);
    EXPECT_EQ(run(eval_bishop, WHITE, D5).activity_score, scan + 16);
}

TEST_F(EvalTest, RookFilesSeventhRankAndTropism) {
    // Re7 on an open file, on the seventh with two black pawns and the black
    // king on the eighth. Phase 10.
    context("k7/pp2R3/8/8/8/8/8/4K3 w - - 0 1", WHITE);
    ASSERT_EQ(phase_state.phase, 10);
    const SideTerms& t = run(eval_rook, WHITE, E7);
    EXPECT_EQ(t.safety_score, 14 + 13 + 2 * 10);
    EXPECT_EQ(t.activity_score, 4 * 10);  // no king-zone values at phase 10
    EXPECT_EQ(t.mobility_score, 16);      // 11 empty squares
    EXPECT_EQ(t.tropism_score, 14 - 5);
    // The king off the back rank: only the phase for the seventh.
    context("8/pp2R3/k7/8/8/8/8/4K3 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_rook, WHITE, E7).safety_score, 14 + 10);
    // One black pawn is not enough for the seventh; a white pawn on the file
    // leaves it neither open nor half-open.
    context("k7/p3R3/8/8/4P3/8/8/4K3 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_rook, WHITE, E7).safety_score, 0);
    // Half-open: only black pawns on the file.
    context("k7/4p3/8/8/8/8/8/4RK2 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_rook, WHITE, E1).safety_score, 10);
    // Black rook on the second rank, white king on the first.
    context("4k3/3r4/8/8/8/8/PP1r4/K7 b - - 0 1", BLACK);
    EXPECT_EQ(run(eval_rook, BLACK, D2).safety_score, 14 + 13 + 2 * 10);
}

TEST_F(EvalTest, RooksOnOneFileWithNothingBetween) {
    // Phase 5: opening_weight 5.
    root_eval("r2qk3/pppppppp/8/8/4R3/8/PPPP1PPP/3QR1K1 w - - 0 1");
    ASSERT_EQ(phase_state.phase, 5);
    EXPECT_EQ(breakdown().rooks_on_file[WHITE], 5);
    root_eval("r2qk3/pppppppp/8/8/4R3/4P3/PPPP1PPP/3QR1K1 w - - 0 1");
    EXPECT_EQ(breakdown().rooks_on_file[WHITE], 0);
    root_eval("r2qk3/pppppppp/8/8/8/8/PPPPPPPP/2QRR1K1 w - - 0 1");
    EXPECT_EQ(breakdown().rooks_on_file[WHITE], 0);
}

TEST_F(EvalTest, QueenHangingWithoutASafeSquare) {
    // The rook on h8 attacks the queen on a8; every square the queen can
    // reach is covered or holds the defended rook: 1 + 2 threats.
    context("Q6r/PP5k/8/8/8/8/8/6K1 w - - 0 1", WHITE);
    ASSERT_EQ(phase_state.phase, 9);
    const SideTerms& t = run(eval_queen, WHITE, A8);
    EXPECT_EQ(t.safety_score, -12);
    EXPECT_EQ(eval_state.threat_count[WHITE], 3);
    EXPECT_EQ(t.tropism_score, 14 - 8);  // phase above 2; the king is not within 2
    // Without the b7 pawn the queen can go to b7.
    context("Q6r/P6k/8/8/8/8/8/6K1 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_queen, WHITE, A8).safety_score, -12);
    EXPECT_EQ(eval_state.threat_count[WHITE], 1);
}

TEST_F(EvalTest, QueenNearTheEnemyKing) {
    context("3k4/8/2Q5/8/8/8/8/4K3 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_queen, WHITE, C6).tropism_score, 12 + 14 - 3);
    // Phase 2 and below: only the closeness bonus.
    context("rnb1kbnr/pppppppp/8/3Q4/8/8/PPPPPPPP/RNB1KBNR w KQkq - 0 1", WHITE);
    ASSERT_EQ(phase_state.phase, 1);
    EXPECT_EQ(run(eval_queen, WHITE, D5).tropism_score, 0);
}

TEST_F(EvalTest, KingOnOpenFiles) {
    // Phase 8 with queens: no king attack; A = -4, B = -2.
    context("3q2k1/5ppp/8/8/8/8/5P1P/3Q2K1 w - - 0 1", WHITE);
    ASSERT_EQ(phase_state.phase, 8);
    EXPECT_EQ(run(eval_king, WHITE, G1).king_score, -4);
    // No own pawn on h either: twice A beside the king when the enemy has a queen.
    context("3q2k1/5ppp/8/8/8/8/5P2/3Q2K1 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_king, WHITE, G1).king_score, -4 - 8);
    // Black lacks the h-pawn too: twice B for the h-file.
    context("3q2k1/5pp1/8/8/8/8/5P2/3Q2K1 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_king, WHITE, G1).king_score, -4 - 8 - 4);
    // Queen against rook (phase 9, A = -2): black has no queen, so the
    // h-file counts once.
    context("r5k1/5ppp/8/8/8/8/5P2/3Q2K1 w - - 0 1", WHITE);
    ASSERT_EQ(phase_state.phase, 9);
    EXPECT_EQ(run(eval_king, WHITE, G1).king_score, -2 - 2);
    // f-file king: looks at h and g, not at e.
    context("3q1k2/6pp/8/8/8/8/6PP/3Q1K2 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_king, WHITE, F1).king_score, -4 - 2);
}

TEST_F(EvalTest, KingInCheckCountsAsAThreat) {
    context("4k3/8/8/8/8/8/8/r3K3 w - - 0 1", WHITE);
    EXPECT_EQ(run(eval_king, WHITE, E1).safety_score, -12);
    EXPECT_EQ(eval_state.threat_count[WHITE], 1);
}

TEST_F(EvalTest, KingAttackByHand) {
    // Phase 4 (W = 24). Black's queen on h4 and bishop on d6 aim at h2 and
    // f2: one dangerous square (h2, two attackers), f2 defended and attacked
    // once (-3); -8 x 24 / 16 = -12; h2 is controlled with a backed-up queen
    // (-96); f2 and h2 controlled: -24 and -24 x 2.
    context("3r2k1/5ppp/3b4/8/7q/8/5PPP/1NBQR1K1 w - - 0 1", WHITE);
    ASSERT_EQ(phase_state.phase, 4);
    ASSERT_EQ(phase_state.king_attack_weight, 24);
    begin_side_evaluation(WHITE);
    EXPECT_EQ(king_attack(G1), -3 - 12 - 96 - 24 - 48);
    // The king evaluator adds the castled bonus (no castling rights: 6) and
    // nothing for files with pawns.
    EXPECT_EQ(run(eval_king, WHITE, G1).king_score, -183 + 6);
}

TEST_F(EvalTest, KingAttackWithoutQueenIsHalved) {
    // A rook on h4 instead of the queen: phase 5 (W = 20). h2 is dangerous
    // (bishop and rook): -8 x 20 / 16 = -10; h2 is the one square black
    // controls, without a queen behind it.
    context("3r2k1/5ppp/3b4/8/7r/8/5PPP/1NBQR1K1 w - - 0 1", WHITE);
    ASSERT_EQ(phase_state.phase, 5);
    begin_side_evaluation(WHITE);
    EXPECT_EQ(king_attack(G1), -10);
    // Halved without an enemy queen, plus the castled bonus 5.
    EXPECT_EQ(run(eval_king, WHITE, G1).king_score, -5 + 5);
}

TEST_F(EvalTest, CastlingBonusAndLostCastling) {
    // Phase 0 with no castling rights at all: castle_off is set, + 10.
    context("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w - - 0 1", WHITE);
    const int no_rights = run(eval_king, WHITE, E1).king_score;
    context("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1", WHITE);
    const SideTerms& t = run(eval_king, WHITE, E1);
    EXPECT_EQ(no_rights - t.king_score, 10);
    EXPECT_EQ(t.activity_score, 0);
    // The king walks without castling: -40 with queens on the board.
    make_move(make_move_code(E1, E2, MOVE_QUIET), WHITE, 1);
    build_attack_table(WHITE);
    build_attack_table(BLACK);
    EXPECT_EQ(run(eval_king, WHITE, E2).activity_score, -40);
}

}  // namespace
