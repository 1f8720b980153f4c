// The tables built at start-up, checked against hand-worked values.
#include <vector>

#include "board_fixture.h"

namespace {

std::vector<int> walk(int kind, Square from) {
    std::vector<int> squares;
    for (Square s = next_square[kind][from][from]; s != from; s = next_square[kind][from][s])
        squares.push_back(s);
    return squares;
}

TEST(Geometry, RayChainsWalkRaysInOrderAndEndAtTheOrigin) {
    setup_position(START_FEN);
    // A rook on an empty board from a1: along the first rank, then up the file.
    EXPECT_EQ(walk(ROOK, A1), (std::vector<int>{B1, C1, D1, E1, F1, G1, H1, A2, A3, A4, A5, A6, A7, A8}));
    EXPECT_EQ(next_direction[ROOK][A1][B1], A2);  // blocked on b1: the next ray
    EXPECT_EQ(next_direction[ROOK][A1][A5], A1);  // blocked on the last ray: done
    // Pawns: the forward steps (two from the home rank) in one chain, the
    // capture squares in the other.
    EXPECT_EQ(walk(PAWN, E2), (std::vector<int>{E3, E4}));
    EXPECT_EQ(walk(PAWN, E3), (std::vector<int>{E4}));
    EXPECT_EQ(walk(BLACK_PAWN_KIND, D7), (std::vector<int>{D6, D5}));
    EXPECT_EQ(next_direction[PAWN][A5][A5], B6);
    EXPECT_EQ(next_direction[PAWN][A5][B6], A5);
    EXPECT_EQ(walk(KING, E4).size(), 8u);
}

TEST(Geometry, DistancesAndMaterialTable) {
    setup_position(START_FEN);
    EXPECT_EQ(king_distance[A1][H8], 7);
    EXPECT_EQ(square_distance[A1][H8], 14);
    EXPECT_EQ(material_of(0), 0);
    EXPECT_EQ(material_of(8), 8 * 90 - 40);  // eight pawns and their count term
    EXPECT_EQ(material_of(1768), 4542 + 8 - 72 - 40);
    // One knight and four pawns: 360 + 360 + (6 x 4 - 60) + 0.
    EXPECT_EQ(material_of(0x14), 360 + 360 - 36);
    // A fourth queen carries out of the twelve bits: the table sees the rest.
    EXPECT_EQ(material_of(4 * SIGNATURE_QUEEN + 8), 8 * 90 - 40);
}

}  // namespace
