// The tables built at start-up, checked against hand-worked values.
#include "board_fixture.h"

namespace {

TEST(Geometry, RookChainWalksRaysInOrderAndEndsAtTheOrigin) {
    setup_position(START_FEN);
    EXPECT_EQ(next_square[ROOK][A1][A1], B1);
    std::vector<int> walk;
    for (Square s = next_square[ROOK][A1][A1]; s != A1; s = next_square[ROOK][A1][s]) walk.push_back(s);
    std::vector<int> expected = {B1, C1, D1, E1, F1, G1, H1, A2, A3, A4, A5, A6, A7, A8};
    EXPECT_EQ(walk, expected);
    // Blocked on b1: the next ray starts at a2.
    EXPECT_EQ(next_direction[ROOK][A1][B1], A2);
    EXPECT_EQ(next_direction[ROOK][A1][A5], A1);
}

TEST(Geometry, PawnChainsHoldForwardStepsAndCaptureSquares) {
    setup_position(START_FEN);
    EXPECT_EQ(next_square[1][E2][E2], E3);
    EXPECT_EQ(next_square[1][E2][E3], E4);
    EXPECT_EQ(next_square[1][E2][E4], E2);
    EXPECT_EQ(next_square[1][E3][E3], E4);
    EXPECT_EQ(next_square[1][E3][E4], E3);
    EXPECT_EQ(next_direction[1][A5][A5], B6);
    EXPECT_EQ(next_direction[1][A5][B6], A5);
    EXPECT_EQ(next_square[BLACK_PAWN_KIND][D7][D7], D6);
    EXPECT_EQ(next_square[BLACK_PAWN_KIND][D7][D6], D5);
}

TEST(Geometry, KnightAndKingChainsVisitEveryTarget) {
    setup_position(START_FEN);
    int knight_targets = 0, king_targets = 0;
    for (Square s = next_direction[KNIGHT][G1][G1]; s != G1; s = next_direction[KNIGHT][G1][s])
        knight_targets++;
    for (Square s = next_square[KING][E4][E4]; s != E4; s = next_square[KING][E4][s]) king_targets++;
    EXPECT_EQ(knight_targets, 3);
    EXPECT_EQ(king_targets, 8);
}

TEST(Geometry, Distances) {
    setup_position(START_FEN);
    EXPECT_EQ(king_distance[A1][H8], 7);
    EXPECT_EQ(square_distance[A1][H8], 14);
    EXPECT_EQ(king_distance[E4][F6], 2);
    EXPECT_EQ(square_distance[E4][F6], 3);
}

TEST(Geometry, MaterialTableWorkedValues) {
    setup_position(START_FEN);
    EXPECT_EQ(material_value[0], 0);
    EXPECT_EQ(material_value[8], 8 * 90 - 40);
    EXPECT_EQ(material_value[1768], 4542 + 8 - 72 - 40);
    // One knight and four pawns: 360 + 360 + (6 x 4 - 60) + 0.
    EXPECT_EQ(material_value[0x14], 360 + 360 - 36);
}

}  // namespace
