// Move text and the lookup of a text among the generated moves.
#include "board/notation.h"

#include "board_fixture.h"

namespace {

TEST(Notation, FormatsSquaresPromotionsAndCastling) {
    EXPECT_STREQ(format_move(make_move_code(E2, E4, MOVE_DOUBLE_STEP), WHITE), "e2e4");
    EXPECT_STREQ(format_move(make_move_code(G2, H1, MOVE_CAPTURE_PROMOTE_ROOK), BLACK), "g2h1r");
    EXPECT_STREQ(format_move(make_move_code(A7, A8, MOVE_PROMOTE_KNIGHT), WHITE), "a7a8n");
    EXPECT_STREQ(format_move(LONG_CASTLE_MOVE, BLACK), "e8c8");
    EXPECT_STREQ(format_move(SHORT_CASTLE_MOVE, WHITE), "e1g1");
}

TEST(Notation, FindsExactTextsOnly) {
    setup_position(START_FEN);
    Move m = 0;
    ASSERT_TRUE(find_move_by_text(WHITE, "e2e4", m, 0));
    EXPECT_EQ(move_type(m), MOVE_DOUBLE_STEP);
    EXPECT_FALSE(find_move_by_text(WHITE, "e2e5", m, 0));
    EXPECT_FALSE(find_move_by_text(WHITE, "E2E4", m, 0));
    setup_position("r3k3/1P6/8/8/8/8/8/R3K2R w KQ - 0 1");
    ASSERT_TRUE(find_move_by_text(WHITE, "b7a8n", m, 0));
    EXPECT_EQ(move_type(m), MOVE_CAPTURE_PROMOTE_KNIGHT);
    EXPECT_FALSE(find_move_by_text(WHITE, "b7a8", m, 0));
    EXPECT_FALSE(find_move_by_text(WHITE, "b7a8N", m, 0));
    ASSERT_TRUE(find_move_by_text(WHITE, "e1g1", m, 0));
    EXPECT_EQ(m, SHORT_CASTLE_MOVE);
    EXPECT_FALSE(find_move_by_text(WHITE, "e1h1", m, 0));
    setup_position("r3k3/1P6/8/8/8/8/8/R3K2R w Q - 0 1");
    EXPECT_FALSE(find_move_by_text(WHITE, "e1g1", m, 0));
}

TEST(Notation, EnteringAGameMove) {
    setup_position(START_FEN);
    EXPECT_EQ(enter_game_move("e2e4"), BLACK);
    EXPECT_EQ(pos.ep_square, E3);
    EXPECT_EQ(pos.game_ply, 1);
    EXPECT_EQ(enter_game_move("e2e4"), BLACK);  // not a black move: nothing is played
    EXPECT_EQ(pos.game_ply, 1);
    EXPECT_EQ(enter_game_move("d7d5"), WHITE);
    EXPECT_EQ(enter_game_move("e4d5"), BLACK);
    EXPECT_EQ(pos.board_colour[D5], WHITE);
    EXPECT_EQ(pos.ep_square, 0);
}

}  // namespace
