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
    struct {
        const char* fen;
        const char* text;
        Move found;  // 0: not found
    } cases[] = {
        {START_FEN, "e2e4", make_move_code(E2, E4, MOVE_DOUBLE_STEP)},
        {START_FEN, "e2e5", 0},
        {START_FEN, "E2E4", 0},
        {"r3k3/1P6/8/8/8/8/8/R3K2R w KQ - 0 1", "b7a8n", make_move_code(B7, A8, MOVE_CAPTURE_PROMOTE_KNIGHT)},
        {"r3k3/1P6/8/8/8/8/8/R3K2R w KQ - 0 1", "b7a8", 0},
        {"r3k3/1P6/8/8/8/8/8/R3K2R w KQ - 0 1", "b7a8N", 0},
        {"r3k3/1P6/8/8/8/8/8/R3K2R w KQ - 0 1", "e1g1", SHORT_CASTLE_MOVE},
        {"r3k3/1P6/8/8/8/8/8/R3K2R w KQ - 0 1", "e1h1", 0},
        {"r3k3/1P6/8/8/8/8/8/R3K2R w Q - 0 1", "e1g1", 0},
    };
    for (const auto& c : cases) {
        setup_position(c.fen);
        Move m = 0;
        EXPECT_EQ(find_move_by_text(WHITE, c.text, m, 0), c.found != 0) << c.text;
        EXPECT_EQ(c.found == 0 ? 0 : m, c.found) << c.text;
    }
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
