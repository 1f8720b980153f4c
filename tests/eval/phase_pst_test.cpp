// Game phase, the phase-derived weights and the piece-square tables prepared
// for the root position.
#include "eval/phase_pst.h"

#include "eval_fixture.h"

namespace {

// The slot_pst row of the piece of side on square, read at another square.
int32_t row_value(int side, int piece_square, int at) {
    return pos.slot_pst[side][pos.list_slot[piece_square]][at];
}

void prepare(const char* fen) {
    ASSERT_TRUE(set_position_from_fen(fen)) << fen;
    prepare_evaluation();
    recompute_pst_sum();
}

TEST_F(EvalTest, PhaseFollowsThePieceMaterial) {
    prepare(START_FEN);  // 3822 per side, c = 7644
    EXPECT_EQ(phase_state.phase, 0);
    EXPECT_EQ(phase_state.root_phase, 0);
    prepare("rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNB1KBNR w - - 0 1");  // c = 5268: 3, +2 without queens
    EXPECT_EQ(phase_state.phase, 5);
    prepare("r1b1k1nr/pppppppp/8/8/8/8/PPPPPPPP/R1B1K1NR w - - 0 1");  // c = 3760: 5 + 2
    EXPECT_EQ(phase_state.phase, 7);
    EXPECT_EQ(phase_state.root_phase, 0);
    prepare("3qk3/pppppppp/8/8/8/8/PPPPPPPP/3QK3 w - - 0 1");  // c = 2300 with queens
    EXPECT_EQ(phase_state.phase, 8);
    EXPECT_EQ(phase_state.root_phase, 6);
    prepare("r3k3/8/8/8/8/8/8/RB2K3 w - - 0 1");  // c = 1522: 9, above 8 so nothing added
    EXPECT_EQ(phase_state.phase, 9);
    EXPECT_EQ(phase_state.root_phase, 9);
    prepare("r3k3/8/8/8/8/8/8/R2RK3 w - - 0 1");  // c = 1721
    EXPECT_EQ(phase_state.phase, 9);
    EXPECT_EQ(phase_state.root_phase, 8);
    prepare("r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1");  // c = 2300: 8 + 2
    EXPECT_EQ(phase_state.phase, 10);
    prepare("4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1");
    EXPECT_EQ(phase_state.phase, 10);
    EXPECT_EQ(phase_state.root_phase, 10);
}

TEST_F(EvalTest, PhaseDerivedWeights) {
    prepare(START_FEN);
    const PhaseState& p = phase_state;
    EXPECT_EQ(p.opening_weight, 10);
    EXPECT_EQ(p.near_piece_bonus, 0);
    EXPECT_EQ(p.bishop_outpost_weight, 3);
    EXPECT_EQ(p.king_file_open_own, -20);
    EXPECT_EQ(p.king_file_open_enemy, -10);
    EXPECT_EQ(p.lost_castling_penalty, -40);
    EXPECT_EQ(p.king_attack_weight, 40);
    prepare("rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNB1KBNR w - - 0 1");  // phase 5, no queens
    EXPECT_EQ(p.opening_weight, 5);
    EXPECT_EQ(p.near_piece_bonus, 2);
    EXPECT_EQ(p.bishop_outpost_weight, 5);
    EXPECT_EQ(p.king_file_open_own, -10);
    EXPECT_EQ(p.king_file_open_enemy, -5);
    EXPECT_EQ(p.lost_castling_penalty, -5);
    EXPECT_EQ(p.king_attack_weight, 20);
    prepare("3qk3/pppppppp/8/8/8/8/PPPPPPPP/3QK3 w - - 0 1");  // phase 8 with queens
    EXPECT_EQ(p.lost_castling_penalty, -4);
    EXPECT_EQ(p.king_attack_weight, 0);
    EXPECT_EQ(p.near_piece_bonus, 3);
    EXPECT_EQ(p.bishop_outpost_weight, 7);
}

TEST_F(EvalTest, PhaseWeightsChangeOnlyWithThePhase) {
    prepare("3qk3/pppppppp/8/8/8/8/PPPPPPPP/3QK3 w - - 0 1");
    ASSERT_EQ(phase_state.phase, 8);
    ASSERT_EQ(phase_state.lost_castling_penalty, -4);
    // Rooks, bishop and knight against rooks and bishop: c = 3408, (7200 -
    // 3408) / 580 = 6, +2 without queens: the phase stays 8, so the castling
    // penalty keeps the value it got with queens on the board.
    pos.material_signature[WHITE] = 2 * SIGNATURE_ROOK + SIGNATURE_DARK_BISHOP + SIGNATURE_KNIGHT;
    pos.material_signature[BLACK] = 2 * SIGNATURE_ROOK + SIGNATURE_LIGHT_BISHOP;
    update_phase();
    EXPECT_EQ(phase_state.phase, 8);
    EXPECT_EQ(phase_state.lost_castling_penalty, -4);
    phase_state.phase = -1;
    update_phase();
    EXPECT_EQ(phase_state.phase, 8);
    EXPECT_EQ(phase_state.lost_castling_penalty, -8);
}

TEST_F(EvalTest, PawnTableByNeighboursAndPhase) {
    prepare("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
    EXPECT_EQ(pos.slot_pst[WHITE][pos.list_slot[E4]][E4], 15);  // 15 x 8 x 8 / 64
    prepare("rnbqkbnr/pppppppp/8/8/4P3/8/PPP3PP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(pos.slot_pst[WHITE][pos.list_slot[E4]][E4], 7);  // 15 x 4 x 8 / 64
    EXPECT_EQ(row_value(WHITE, E4, F4), 10);                   // the f-file has neighbours
    EXPECT_EQ(row_value(WHITE, E4, C4), 12);
}

TEST_F(EvalTest, BlackPawnsReadThePawnTableTurnedHalfway) {
    // f5 for black is c4 for white (value 12), c5 is f4 (value 10); a
    // vertical mirror would swap them.
    prepare("rnbqkbnr/ppppp1pp/8/5p2/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(pos.slot_pst[BLACK][pos.list_slot[F5]][F5], 12);
    EXPECT_EQ(row_value(BLACK, F5, C5), 10);
    // Rank 2 is not symmetric either: c7 (f2 turned) is 4 with the wing
    // bonus absent, f7 (c2 turned) is 0.
    EXPECT_EQ(row_value(BLACK, F5, C7), 4);
    EXPECT_EQ(row_value(BLACK, F5, F7), 0);
}

TEST_F(EvalTest, PieceTablesForBlackAreMirroredTopToBottom) {
    prepare(START_FEN);
    // Bishop: g7 is 26, b7 23, h6 24 for white; black mirrors rank for rank.
    EXPECT_EQ(row_value(WHITE, C1, G7), 26);
    EXPECT_EQ(row_value(WHITE, C1, B7), 23);
    EXPECT_EQ(row_value(WHITE, C1, H6), 24);
    EXPECT_EQ(row_value(BLACK, C8, G2), 26);
    EXPECT_EQ(row_value(BLACK, C8, B2), 23);
    EXPECT_EQ(row_value(BLACK, C8, H3), 24);
    // Queen: b3 is -6, g3 0.
    EXPECT_EQ(row_value(WHITE, D1, B3), -6);
    EXPECT_EQ(row_value(BLACK, D8, B6), -6);
    EXPECT_EQ(row_value(BLACK, D8, G6), 0);
    // Rook: a1 -15, a8 0.
    EXPECT_EQ(row_value(WHITE, A1, A1), -15);
    EXPECT_EQ(row_value(BLACK, A8, A8), -15);
    EXPECT_EQ(row_value(BLACK, A8, A1), 0);
    // Knights have their own table per side: c3 is 22 for white, 24 for
    // black, both plus 10 - 5 - 2 for the kings' distances (no near-piece
    // bonus at phase 0).
    EXPECT_EQ(row_value(WHITE, B1, C3), 22 + 3);
    EXPECT_EQ(row_value(BLACK, B8, C3), 24 + 3);
    // The king table is shared, not mirrored: a8 is -3, h8 -4 for both.
    EXPECT_EQ(row_value(WHITE, E1, A8), -3);
    EXPECT_EQ(row_value(BLACK, E8, A8), -3);
    EXPECT_EQ(row_value(BLACK, E8, H8), -4);
    EXPECT_EQ(row_value(BLACK, E8, E1), -10);
}

TEST_F(EvalTest, KingTableBlendsMiddleAndEndByPhase) {
    // Phase 5, no castling rights, root phase 0: (end x 5 + middle x 5) / 10.
    prepare("rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNB1KBNR w - - 0 1");
    ASSERT_EQ(phase_state.phase, 5);
    EXPECT_EQ(row_value(WHITE, E1, G1), 3);   // (6 x 5 + 0) / 10
    EXPECT_EQ(row_value(WHITE, E1, A8), -1);  // -15 / 10 truncates toward zero
    EXPECT_EQ(row_value(WHITE, E1, E1), 4);   // (90 - 50) / 10
    EXPECT_EQ(row_value(BLACK, E8, D4), 6);   // (180 - 120) / 10
}

TEST_F(EvalTest, CastledShelterIsExpectedWhileCastlingIsPossible) {
    // White may castle short with pawns on f2 and g3 but none on h2.
    prepare("rnbqkbnr/pppppppp/8/8/8/6P1/PPPPPP2/RNBQK2R w KQkq - 0 1");
    ASSERT_EQ(phase_state.phase, 0);
    EXPECT_EQ(row_value(WHITE, E1, G1), 0 - 10);
    EXPECT_EQ(row_value(WHITE, E1, F1), -4 - 10);
    EXPECT_EQ(row_value(WHITE, E1, H1), -4 - 10);
    EXPECT_EQ(row_value(WHITE, E1, C1), -4);  // queenside pawns are all home
    EXPECT_EQ(row_value(BLACK, E8, G1), 0);   // black's row is not touched
    // A black pawn on h2 covers as well as a white one.
    prepare("rnbqkbnr/ppppppp1/8/8/8/6P1/PPPPPP1p/RNBQK2R w KQkq - 0 1");
    EXPECT_EQ(row_value(WHITE, E1, G1), 0);
    // Black without g7 and g6: the knight's file counts twice.
    prepare("rnbqk2r/pppppp1p/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    EXPECT_EQ(row_value(BLACK, E8, G8), 0 - 20);
    EXPECT_EQ(row_value(WHITE, E1, G8), 0);
    // Without the castling right nothing is expected.
    prepare("rnbqkbnr/pppppppp/8/8/8/6P1/PPPPPP2/RNBQK2R w Qkq - 0 1");
    EXPECT_EQ(row_value(WHITE, E1, G1), 0);
}

TEST_F(EvalTest, PawnsStayInFrontOfTheKing) {
    // White has castled (e1 has moved): pawns off the d- and e-files near
    // the king get opening_weight / (distance + 1).
    prepare("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1RK1 w kq - 0 1");
    EXPECT_EQ(row_value(WHITE, H2, H2), 4 + 5);
    EXPECT_EQ(row_value(WHITE, H2, F2), 4 + 5);
    EXPECT_EQ(row_value(WHITE, H2, H3), 6 + 3);
    EXPECT_EQ(row_value(WHITE, H2, E2), 0);  // the e-file takes nothing
    EXPECT_EQ(row_value(WHITE, H2, G4), 6);  // distance 3: nothing
    EXPECT_EQ(row_value(WHITE, H2, A2), 4);
    // Black has not moved its king: wing pawns on its first three ranks
    // get opening_weight / 2.
    EXPECT_EQ(row_value(BLACK, A7, A7), 4 + 5);
    EXPECT_EQ(row_value(BLACK, A7, B6), 4 + 5);  // b6 is g3 turned: 4
    EXPECT_EQ(row_value(BLACK, A7, C7), 4);
    EXPECT_EQ(row_value(BLACK, A7, H5), 6);  // a4 turned; rank 5 is outside
}

TEST_F(EvalTest, PawnStormWhenKingsAreOnOppositeWings) {
    // Phase 4: white king g1, black king c8.
    const char* phase4 = "2kq1b1r/pppppppp/8/8/8/8/PPPPPPPP/1NBQR1K1 w - - 0 1";
    prepare(phase4);
    ASSERT_EQ(phase_state.phase, 4);
    EXPECT_EQ(phase_state.opposite_castling, 1);
    EXPECT_EQ(row_value(WHITE, A2, A2), 4 + 4);   // 4 x 8 x 8 / 56 = 4, storm 4 x 1
    EXPECT_EQ(row_value(WHITE, A2, A4), 6 + 12);  // 384 / 56 = 6, storm 4 x 3
    EXPECT_EQ(row_value(WHITE, A2, D4), 17);      // 15 x 64 / 56; no storm on the d-file
    EXPECT_EQ(row_value(BLACK, H7, H7), 4 + 4);   // storm 4 x (7 - 6)
    EXPECT_EQ(row_value(BLACK, H7, H5), 6 + 12);  // a4 turned: 6 x 64 / 56 = 6
    // Phase 5 (no white knight): no storm.
    prepare("2kq1b1r/pppppppp/8/8/8/8/PPPPPPPP/2BQR1K1 w - - 0 1");
    ASSERT_EQ(phase_state.phase, 5);
    EXPECT_EQ(phase_state.opposite_castling, 0);
    EXPECT_EQ(row_value(WHITE, A2, A4), 7);  // 384 / 54
}

TEST_F(EvalTest, KnightsAreDrawnToKingsAndEnemyPieces) {
    // Phase 10: near-piece bonus 4.
    prepare("4k3/8/8/3p4/8/8/8/1N2K3 w - - 0 1");
    ASSERT_EQ(phase_state.near_piece_bonus, 4);
    // d4: table 32 (white) / 38 (black), kings 10 - 4 - 3 = 3; the black
    // pawn on d5 is near for white, no white piece is near for black.
    EXPECT_EQ(root_tables.knight_pst[WHITE][D4], 32 + 3 + 4);
    EXPECT_EQ(root_tables.knight_pst[BLACK][D4], 38 + 3);
    // f2: kings 10 - 6 - 1 = 3; the white king on e1 is near for black.
    EXPECT_EQ(root_tables.knight_pst[WHITE][F2], 16 + 3);
    EXPECT_EQ(root_tables.knight_pst[BLACK][F2], 30 + 3 + 4);
}

TEST_F(EvalTest, KingZoneMarksTheSquaresAroundEachKing) {
    prepare(START_FEN);
    EXPECT_EQ(phase_state.king_zone_value[WHITE][E8], 10);
    EXPECT_EQ(phase_state.king_zone_value[WHITE][D7], 10);
    EXPECT_EQ(phase_state.king_zone_value[WHITE][C7], 0);
    EXPECT_EQ(phase_state.king_zone_value[WHITE][E2], 0);
    EXPECT_EQ(phase_state.king_zone_value[BLACK][F2], 10);
    EXPECT_EQ(phase_state.king_zone_value[BLACK][F7], 0);
    prepare("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");  // phase 10: nothing
    EXPECT_EQ(phase_state.king_zone_value[WHITE][E7], 0);
}

TEST_F(EvalTest, KingsGoToThePawnsInTheEnding) {
    // Root phase 10. A passed pawn on e4 draws both kings to e6.
    prepare("4k3/8/8/8/4P3/8/8/4K3 w - - 0 1");
    ASSERT_EQ(phase_state.root_phase, 10);
    EXPECT_EQ(row_value(WHITE, E1, E1), 18 - 25 * 10 / 8);  // 5 x distance 5
    EXPECT_EQ(row_value(BLACK, E8, E8), 18 - 10 * 10 / 8);
    EXPECT_EQ(row_value(BLACK, E8, A8), 0 - 30 * 10 / 8);
    // From the seventh rank the pawn's target is the square ahead.
    prepare("k7/4P3/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(row_value(WHITE, E1, E1), 18 - 35 * 10 / 8);
    // Blocked pawns count at their own squares, once.
    prepare("4k3/8/8/4p3/4P3/8/8/4K3 w - - 0 1");
    EXPECT_EQ(row_value(WHITE, E1, E1), 18 - 7 * 10 / 8);
    // A pawn whose path an enemy pawn guards counts at its own square too;
    // the d6 pawn meets the e4 pawn's guard on d5.
    prepare("4k3/8/3p4/8/4P3/8/8/4K3 w - - 0 1");
    EXPECT_EQ(row_value(WHITE, E1, E1), 18 - 9 * 10 / 8);
    // With more pieces the root phase is lower and so is the pull: rook and
    // bishop each, c = 1902, phase 9, root phase 8.
    prepare("r2bk3/8/8/8/4P3/8/8/R2BK3 w - - 0 1");
    ASSERT_EQ(phase_state.phase, 9);
    ASSERT_EQ(phase_state.root_phase, 8);
    EXPECT_EQ(row_value(WHITE, E1, E1), (18 * 9 - 10) / 10 - 25);
}

TEST_F(EvalTest, OnlySlotsInUseGetRowsAndSums) {
    ASSERT_TRUE(set_position_from_fen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1"));
    for (auto& side : pos.slot_pst)
        for (auto& row : side)
            for (int32_t& v : row) v = 777;
    prepare_evaluation();
    recompute_pst_sum();
    EXPECT_NE(pos.slot_pst[WHITE][1][A1], 777);
    EXPECT_EQ(pos.slot_pst[WHITE][2][A1], 777);  // above piece_count: untouched
    EXPECT_EQ(pos.slot_pst[BLACK][1][A1], 777);
    EXPECT_EQ(pos.pst_sum[WHITE], 18 + -15);  // king e1 at phase 10, rook a1
    EXPECT_EQ(pos.pst_sum[BLACK], 18);
}

}  // namespace
