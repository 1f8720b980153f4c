// Move text and the lookup of a text among the generated moves.
#include "board/notation.h"

#include <string>

#include "board/movegen.h"
#include "board/perft.h"
#include "board_fixture.h"

namespace {

TEST(Notation, FormatsSquaresPromotionsAndCastling) {
    EXPECT_STREQ(format_move(make_move_code(G2, H1, MOVE_CAPTURE_PROMOTE_ROOK), BLACK), "g2h1r");
    EXPECT_STREQ(format_move(make_move_code(A7, A8, MOVE_PROMOTE_KNIGHT), WHITE), "a7a8n");
    EXPECT_STREQ(format_move(LONG_CASTLE_MOVE, BLACK), "e8c8");
    EXPECT_STREQ(format_move(SHORT_CASTLE_MOVE, WHITE), "e1g1");
}

// Every generated move played by its text: exactly the legal ones (as many as
// perft counts) are played; any other is refused and changes nothing.
TEST(Notation, OnlyLegalGameMovesArePlayed) {
    for (const char* fen : {
             "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",  // pawns pinned along the rank
             "8/8/8/KPp4r/8/8/8/4k3 w - c6 0 1",           // en passant would open the rank
             "4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1",          // a pinned bishop
             "4k3/8/8/8/8/8/3q4/4K3 w - - 0 1",            // in check
         }) {
        setup_position(fen);
        static MoveEntry list[256];
        const int n = generate_moves(list, pos.side_to_move, 1, pos.ep_square);
        const uint64_t legal = perft(1, pos.side_to_move, pos.ep_square);
        uint64_t played = 0;
        for (int i = 0; i < n - 1; i++) {
            setup_position(fen);
            const Snapshot before(pos);
            const std::string text = format_move(static_cast<Move>(list[i].move), pos.side_to_move);
            SCOPED_TRACE(std::string(fen) + " " + text);
            const GameMoveResult result = play_game_move(text.c_str());
            if (result == GAME_MOVE_PLAYED) {
                played++;
                EXPECT_EQ(std::pair(pos.side_to_move, pos.game_ply),
                          std::pair(before.p.side_to_move ^ 1, before.p.game_ply + 1));
            } else {
                EXPECT_EQ(result, GAME_MOVE_SELF_IN_CHECK);
                EXPECT_TRUE(Snapshot(pos) == before);
            }
            EXPECT_TRUE(position_is_consistent());
        }
        EXPECT_EQ(played, legal) << fen;
        EXPECT_LT(legal, static_cast<uint64_t>(n - 1)) << fen << ": no move to refuse";
    }
}

}  // namespace
