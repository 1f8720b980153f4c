// The tables built at start-up, checked against hand-worked values (the ray
// chains show in the perft counts).
#include "board_fixture.h"

namespace {

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
