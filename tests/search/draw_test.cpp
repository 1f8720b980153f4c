// Draws by rule on the game record, and the legal-move count at the root.
#include <gtest/gtest.h>

#include "board/board_fixture.h"
#include "board/notation.h"
#include "board/position.h"
#include "search/pv_draw.h"
#include "search/root.h"

namespace {

void play(std::initializer_list<const char*> moves) {
    for (const char* text : moves) {
        const int side = pos.side_to_move;
        ASSERT_NE(enter_game_move(text), side) << text;
    }
}

}  // namespace

TEST(DrawByRule, OneRepetitionInTheTreeButThreeInTheGame) {
    setup_position(START_FEN);
    play({"e2e4", "g8f6", "g1f3", "f6g8", "f3g1"});  // back to the position after e4
    EXPECT_EQ(pos.game_ply, 5);
    EXPECT_EQ(pos.last_irreversible_ply, 1);
    EXPECT_EQ(is_draw_by_rule(2), 1);
    EXPECT_EQ(is_draw_by_rule(7), 1);
    EXPECT_EQ(is_draw_by_rule(1), 0);    // the root is always searched
    EXPECT_EQ(game_drawn_by_rule(), 0);  // second occurrence only

    play({"g8f6", "g1f3", "f6g8", "f3g1"});
    EXPECT_EQ(game_drawn_by_rule(), 1);  // third occurrence

    // A null move of the search (key 0) breaks the chain where it stands.
    pos.move_history[5].key_high = 0;
    EXPECT_EQ(is_draw_by_rule(2), 0);
}

TEST(DrawByRule, RepetitionEndsAtTheLastPawnMove) {
    setup_position(START_FEN);
    // After e4 Nf6 Nf3 Ng8 Ng1 Nf6 the position of ply 2 returns.
    play({"e2e4", "g8f6", "g1f3", "f6g8", "f3g1", "g8f6"});
    EXPECT_EQ(pos.hash_key_high, pos.move_history[2].key_high);
    EXPECT_EQ(is_draw_by_rule(2), 1);  // record 2 is four plies back
    setup_position(START_FEN);
    play({"e2e4", "g8f6", "g1f3", "f6g8", "f3g1", "e7e6"});  // pawn move: new stretch
    EXPECT_EQ(is_draw_by_rule(2), 0);
}

TEST(DrawByRule, FiftyMoveRule) {
    // A half-move clock of 100: the last capture or pawn move 100 plies back.
    setup_position("8/8/4k3/8/8/3QK3/8/8 w - - 100 60");
    EXPECT_EQ(pos.game_ply - pos.last_irreversible_ply, 100);
    EXPECT_EQ(is_draw_by_rule(2), 1);
    EXPECT_EQ(is_draw_by_rule(1), 0);
    EXPECT_EQ(game_drawn_by_rule(), 1);

    setup_position("8/8/4k3/8/8/3QK3/8/8 w - - 99 60");
    EXPECT_EQ(is_draw_by_rule(2), 0);
    EXPECT_EQ(game_drawn_by_rule(), 0);
}

TEST(RootMoves, CountsLegalMovesAndKeepsASingleOne) {
    setup_position(START_FEN);
    EXPECT_EQ(count_legal_root_moves(WHITE, 0), 20);
    // The queen on g2 leaves the king in the corner b1 alone.
    setup_position("7k/8/8/8/8/8/6q1/K7 w - - 0 1");
    pv.pv_move[0] = 0;
    EXPECT_EQ(count_legal_root_moves(WHITE, 0), 1);
    EXPECT_EQ(static_cast<Move>(pv.pv_move[0]), make_move_code(A1, B1, MOVE_QUIET));
    // Mate and stalemate have none.
    setup_position("7k/8/8/8/8/8/1q6/K7 w - - 0 1");
    EXPECT_EQ(count_legal_root_moves(WHITE, 0), 1);  // Kxb2
    setup_position("7k/8/8/8/8/8/1qq5/K7 w - - 0 1");
    EXPECT_EQ(count_legal_root_moves(WHITE, 0), 0);  // mated
    setup_position("7k/8/8/8/8/8/2q5/K7 w - - 0 1");
    EXPECT_EQ(count_legal_root_moves(WHITE, 0), 0);  // stalemate
    // The position itself is left as it was.
    EXPECT_EQ(pos.board_piece[C2], QUEEN);
    EXPECT_EQ(pos.game_ply, 2);
}
