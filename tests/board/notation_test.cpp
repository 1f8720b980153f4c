// Move text and the lookup of a text among the generated moves.
#include "board/notation.h"

#include "board_fixture.h"

namespace {

TEST(Notation, FormatsSquaresPromotionsAndCastling) {
    EXPECT_STREQ(format_move(make_move_code(G2, H1, MOVE_CAPTURE_PROMOTE_ROOK), BLACK), "g2h1r");
    EXPECT_STREQ(format_move(make_move_code(A7, A8, MOVE_PROMOTE_KNIGHT), WHITE), "a7a8n");
    EXPECT_STREQ(format_move(LONG_CASTLE_MOVE, BLACK), "e8c8");
    EXPECT_STREQ(format_move(SHORT_CASTLE_MOVE, WHITE), "e1g1");
}

}  // namespace
