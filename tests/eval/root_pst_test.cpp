// Game phase, the phase-derived weights and the piece-square tables prepared
// for the root position.
#include "eval_fixture.h"

namespace {

const PhaseState& p = phase_state;

// clang-format off
TEST_F(EvalTest, PhaseFollowsThePieceMaterial) {
    expect_values({
        // 3822 per side, c = 7644; without queens c = 5268: 3, +2 for no queens.
        {START_FEN, AT_ROOT, {{&p.phase, 0}, {&p.root_phase, 0}, {&p.lost_castling_penalty, -40}}},
        {"rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNB1KBNR w - - 0 1", AT_ROOT,
         {{&p.phase, 5}, {&p.lost_castling_penalty, -5}, {&p.king_attack_weight, 20}}},
        // c = 3760: 5 + 2; its root phase is still 0.
        {"r1b1k1nr/pppppppp/8/8/8/8/PPPPPPPP/R1B1K1NR w - - 0 1", AT_ROOT, {{&p.phase, 7}, {&p.root_phase, 0}}},
        // c = 2300 with queens: no addition, and no king attack at phase 8.
        {"3qk3/pppppppp/8/8/8/8/PPPPPPPP/3QK3 w - - 0 1", AT_ROOT,
         {{&p.phase, 8}, {&p.root_phase, 6}, {&p.lost_castling_penalty, -4}, {&p.king_attack_weight, 0}}},
        // c = 1522: 9, above 8 so nothing added; c = 1721; c = 2300: 8 + 2.
        {"r3k3/8/8/8/8/8/8/RB2K3 w - - 0 1", AT_ROOT, {{&p.phase, 9}, {&p.root_phase, 9}}},
        {"r3k3/8/8/8/8/8/8/R2RK3 w - - 0 1", AT_ROOT, {{&p.phase, 9}, {&p.root_phase, 8}}},
        {"r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1", AT_ROOT, {{&p.phase, 10}}},
        {"4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1", AT_ROOT, {{&p.phase, 10}, {&p.root_phase, 10}}},
    });
}
// clang-format on

// clang-format off
TEST_F(EvalTest, PieceSquareTablesOfTheRoot) {
    const auto& pawn = root_tables.pawn_pst;
    const auto& knight = root_tables.knight_pst;
    const auto& bishop = root_tables.bishop_pst;
    const auto& rook = root_tables.rook_pst;
    const auto& queen = root_tables.queen_pst;
    const auto& king = root_tables.king_pst;
    const auto& zone = phase_state.king_zone_value;
    expect_values({
        // Black's piece tables mirror white's rank for rank; knights have a
        // table per side, plus 10 - 5 - 2 for the kings' distances from c3;
        // the king table is shared, not mirrored. Sliders earn for the
        // squares around the enemy king.
        {START_FEN, AT_ROOT,
         {{&bishop[WHITE][G7], 26}, {&bishop[BLACK][G2], 26}, {&queen[WHITE][B3], -6}, {&queen[BLACK][B6], -6},
          {&queen[BLACK][G6], 0}, {&rook[WHITE][A1], -15}, {&rook[BLACK][A8], -15}, {&rook[BLACK][A1], 0},
          {&knight[WHITE][C3], 22 + 3}, {&knight[BLACK][C3], 24 + 3}, {&king[WHITE][A8], -3},
          {&king[BLACK][A8], -3}, {&king[BLACK][H8], -4}, {&king[BLACK][E1], -10},
          {&zone[WHITE][E8], 10}, {&zone[WHITE][D7], 10}, {&zone[WHITE][C7], 0}, {&zone[WHITE][E2], 0},
          {&zone[BLACK][F2], 10}}},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", AT_ROOT, {{&zone[WHITE][E7], 0}}},  // phase 10: no zone
        // Phase 0: a pawn with a neighbouring file gets 15 x 8 x 8 / 64 on
        // e4, without one 15 x 4 x 8 / 64.
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", AT_ROOT, {{&pawn[WHITE][E4], 15}}},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPP3PP/RNBQKBNR w KQkq - 0 1", AT_ROOT,
         {{&pawn[WHITE][E4], 7}, {&pawn[WHITE][F4], 10}, {&pawn[WHITE][C4], 12}}},
        // Black reads the pawn table turned halfway: f5 is c4 for white (12),
        // c5 is f4 (10); c7 (f2 turned) is 4, f7 (c2 turned) is 0.
        {"rnbqkbnr/ppppp1pp/8/5p2/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", AT_ROOT,
         {{&pawn[BLACK][F5], 12}, {&pawn[BLACK][C5], 10}, {&pawn[BLACK][C7], 4}, {&pawn[BLACK][F7], 0}}},
        // Phase 5: (end x 5 + middle x 5) / 10, truncating toward zero.
        {"rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNB1KBNR w - - 0 1", AT_ROOT,
         {{&king[WHITE][G1], 3}, {&king[WHITE][A8], -1}, {&king[WHITE][E1], 4}, {&king[BLACK][D4], 6}}},
        // White may castle short with f2 and g3 but no h2: the rook's and
        // bishop's files count once, the knight's (g2 or g3) is covered.
        {"rnbqkbnr/pppppppp/8/8/8/6P1/PPPPPP2/RNBQK2R w KQkq - 0 1", AT_ROOT,
         {{&king[WHITE][G1], -10}, {&king[WHITE][F1], -14}, {&king[WHITE][H1], -14}, {&king[WHITE][C1], -4},
          {&king[BLACK][G1], 0}}},
        // A black pawn on h2 covers as well; without the right nothing is
        // expected; black without g7 and g6 pays for the knight's file twice.
        {"rnbqkbnr/ppppppp1/8/8/8/6P1/PPPPPP1p/RNBQK2R w KQkq - 0 1", AT_ROOT, {{&king[WHITE][G1], 0}}},
        {"rnbqkbnr/pppppppp/8/8/8/6P1/PPPPPP2/RNBQK2R w Qkq - 0 1", AT_ROOT, {{&king[WHITE][G1], 0}}},
        {"rnbqk2r/pppppp1p/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", AT_ROOT,
         {{&king[BLACK][G8], -20}, {&king[WHITE][G8], 0}}},
        // White has castled: pawns off the d- and e-files near the king get
        // opening_weight / (distance + 1). Black has not: its wing pawns on
        // its first three ranks get opening_weight / 2.
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1RK1 w kq - 0 1", AT_ROOT,
         {{&pawn[WHITE][H2], 4 + 5}, {&pawn[WHITE][F2], 4 + 5}, {&pawn[WHITE][H3], 6 + 3}, {&pawn[WHITE][E2], 0},
          {&pawn[WHITE][G4], 6}, {&pawn[WHITE][A2], 4}, {&pawn[BLACK][A7], 4 + 5}, {&pawn[BLACK][B6], 4 + 5},
          {&pawn[BLACK][C7], 4}, {&pawn[BLACK][H5], 6}}},
        // Phase 4, kings on g1 and c8: storm 4 x rank on the far wing, pawn
        // values x 64 / 56. At phase 5 (no white knight) no storm.
        {"2kq1b1r/pppppppp/8/8/8/8/PPPPPPPP/1NBQR1K1 w - - 0 1", AT_ROOT,
         {{&p.phase, 4}, {&p.opposite_castling, 1}, {&pawn[WHITE][A2], 4 + 4}, {&pawn[WHITE][A4], 6 + 12},
          {&pawn[WHITE][D4], 17}, {&pawn[BLACK][H7], 4 + 4}, {&pawn[BLACK][H5], 6 + 12}}},
        {"2kq1b1r/pppppppp/8/8/8/8/PPPPPPPP/2BQR1K1 w - - 0 1", AT_ROOT,
         {{&p.phase, 5}, {&p.opposite_castling, 0}, {&pawn[WHITE][A4], 7}}},
        // Phase 10, near-piece bonus 4: on d4 the table gives 32 (white) and
        // 38 (black), the kings 10 - 4 - 3; d5 is near for white. On f2 the
        // kings give 10 - 6 - 1, and the white king is near for black.
        {"4k3/8/8/3p4/8/8/8/1N2K3 w - - 0 1", AT_ROOT,
         {{&knight[WHITE][D4], 32 + 3 + 4}, {&knight[BLACK][D4], 38 + 3}, {&knight[WHITE][F2], 16 + 3},
          {&knight[BLACK][F2], 30 + 3 + 4}}},
        // In the ending the kings go to the pawns: 5 x the distance to a
        // passed pawn's square two ahead (one from the seventh), 1 x the
        // distance to a blocked or guarded pawn, times root phase / 8.
        {"4k3/8/8/8/4P3/8/8/4K3 w - - 0 1", AT_ROOT,
         {{&king[WHITE][E1], 18 - 25 * 10 / 8}, {&king[BLACK][E8], 18 - 10 * 10 / 8},
          {&king[BLACK][A8], 0 - 30 * 10 / 8}}},
        {"k7/4P3/8/8/8/8/8/4K3 w - - 0 1", AT_ROOT, {{&king[WHITE][E1], 18 - 35 * 10 / 8}}},
        {"4k3/8/8/4p3/4P3/8/8/4K3 w - - 0 1", AT_ROOT, {{&king[WHITE][E1], 18 - 7 * 10 / 8}}},
        {"4k3/8/3p4/8/4P3/8/8/4K3 w - - 0 1", AT_ROOT, {{&king[WHITE][E1], 18 - 9 * 10 / 8}}},
        // Rook and bishop each: phase 9 blends the king table, root phase 8.
        {"r2bk3/8/8/8/4P3/8/8/R2BK3 w - - 0 1", AT_ROOT, {{&king[WHITE][E1], (18 * 9 - 10) / 10 - 25}}},
    });
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
    EXPECT_EQ(std::memcmp(pos.slot_pst[WHITE][pos.list_slot[H1]], t.rook_pst[WHITE], row), 0);
    EXPECT_EQ(std::memcmp(pos.slot_pst[BLACK][pos.list_slot[C3]], t.knight_pst[BLACK], row), 0);
    EXPECT_EQ(std::memcmp(pos.slot_pst[BLACK][0], t.king_pst[BLACK], row), 0);
    EXPECT_EQ(pos.pst_sum[BLACK], t.king_pst[BLACK][E8] + t.knight_pst[BLACK][C3]);
    EXPECT_EQ(pos.pst_sum[WHITE], t.king_pst[WHITE][E1] + t.queen_pst[WHITE][A8] + t.rook_pst[WHITE][A1] +
                                      t.rook_pst[WHITE][H1]);
}
// clang-format on

}  // namespace
