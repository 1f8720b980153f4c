// FEN setup: the fields, the castling quirks, and refusals that leave the
// position untouched.
#include "board_fixture.h"

namespace {

TEST(Fen, StartTextGivesTheStartPosition) {
    setup_position(START_FEN);
    EXPECT_EQ(pos.side_to_move, WHITE);
    EXPECT_EQ(pos.ep_square, 0);
    EXPECT_EQ(pos.game_ply, 0);
    EXPECT_EQ(pos.last_irreversible_ply, 0);
    for (Square s : {A1, E1, H1, A8, E8, H8}) EXPECT_EQ(pos.square_moves[s], 0);
    EXPECT_EQ(pos.castle_off[WHITE], 0);
    EXPECT_EQ(pos.castle_off[BLACK], 0);
    const int expected[16] = {E1, D1, A1, H1, C1, F1, B1, G1, A2, B2, C2, D2, E2, F2, G2, H2};
    for (int slot = 0; slot < 16; slot++) EXPECT_EQ(pos.piece_list[WHITE][slot], expected[slot]);
    EXPECT_EQ(pos.piece_count[WHITE], 16);
    EXPECT_EQ(pos.piece_count[BLACK], 16);
    EXPECT_EQ(pos.material_signature[WHITE], 1768);
    EXPECT_EQ(pos.material_signature[BLACK], 1768);
}

TEST(Fen, MoveNumberGivesTheGamePly) {
    setup_position("8/8/8/8/8/8/8/K6k w - - 0 1");
    EXPECT_EQ(pos.board_piece[A1], KING);
    EXPECT_EQ(pos.board_colour[H1], BLACK);
    EXPECT_EQ(pos.game_ply, 2);
    for (Square s = 0; s < 64; s++) EXPECT_EQ(pos.square_moves[s], 1);
    setup_position("8/8/8/8/8/8/8/K6k b - - 0 1");
    EXPECT_EQ(pos.game_ply, 3);
}

TEST(Fen, HalfMoveClockCountsBackFromTheCurrentPly) {
    setup_position("4k3/8/8/8/8/8/8/4K3 w - - 12 40");
    EXPECT_EQ(pos.game_ply, 80);
    EXPECT_EQ(pos.last_irreversible_ply, 68);
    setup_position("4k3/8/8/8/8/8/8/4K3 w - - 30 5");  // more reversible plies than the game has
    EXPECT_EQ(pos.last_irreversible_ply, 0);
    setup_position("4k3/8/8/8/8/8/8/4K3 w - - 0 99999999");
    EXPECT_EQ(pos.game_ply, FEN_GAME_PLY_LIMIT);
    setup_position("4k3/8/8/8/8/8/8/4K3 w - - -5 -7");
    EXPECT_EQ(pos.game_ply, 0);
    EXPECT_EQ(pos.last_irreversible_ply, 0);
}

TEST(Fen, CastlingLettersNeedKingAndRookInPlace) {
    setup_position("r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1");
    for (Square s = 0; s < 64; s++) {
        bool granted = s == E1 || s == H1 || s == E8 || s == A8;
        EXPECT_EQ(pos.square_moves[s], granted ? 0 : 1) << s;
    }
    EXPECT_EQ(pos.castle_off[WHITE], 0);
    EXPECT_EQ(pos.castle_off[BLACK], 0);
    setup_position("r3k2r/8/8/8/8/8/8/R4K1R w KQ - 0 1");  // white king on f1
    EXPECT_EQ(pos.square_moves[H1], 1);
    EXPECT_EQ(pos.square_moves[A1], 1);
    EXPECT_EQ(pos.castle_off[WHITE], 1);
}

TEST(Fen, EnPassantSquareOnlyWhenADoubleStepCanHaveMadeIt) {
    setup_position("4k3/8/8/8/4P3/8/8/4K3 b - e3 0 1");
    EXPECT_EQ(pos.ep_square, E3);
    setup_position("4k3/8/8/8/4P3/8/8/4K3 b - - 0 1");
    EXPECT_EQ(pos.ep_square, 0);
    setup_position("4k3/8/8/8/4P3/8/8/4K3 w - e3 0 1");  // wrong side to move
    EXPECT_EQ(pos.ep_square, 0);
    setup_position("4k3/8/8/8/8/8/8/4K3 b - e3 0 1");  // no pawn that moved
    EXPECT_EQ(pos.ep_square, 0);
    setup_position("4k3/8/8/8/4P3/8/8/4K3 b - e5 0 1");  // wrong rank
    EXPECT_EQ(pos.ep_square, 0);
}

TEST(Fen, MissingFieldsTakeDefaults) {
    setup_position("4k3/8/8/8/8/8/8/R3K3");
    EXPECT_EQ(pos.side_to_move, WHITE);
    EXPECT_EQ(pos.square_moves[E1], 1);
    setup_position("4k3/8/8/8/8/8/8/R3K3 b Q");
    EXPECT_EQ(pos.side_to_move, BLACK);
    EXPECT_EQ(pos.square_moves[A1], 0);
    EXPECT_EQ(pos.game_ply, 0);
    setup_position("4k3/8/8/8/8/8/8/R3K3 w - - 7");  // a clock alone does not set the ply
    EXPECT_EQ(pos.game_ply, 0);
}

TEST(Fen, PlacementTheListsCannotHoldIsRefusedWithoutChanges) {
    setup_position(KIWIPETE);
    uint32_t key = pos.hash_key_high;
    const char* refused[] = {
        "8/8/8/8/8/8/8/8 w - - 0 1",                    // no kings
        "4k3/8/8/8/8/8/8/3KK3 w - - 0 1",               // two white kings
        "4k3/8/8/8/8/8/8/8 w - - 0 1",                  // no white king
        "4k3/8/8/8/8/PPPPPPPP/NNNNNNNN/4K3 w - - 0 1",  // 17 white pieces
        "P3k3/8/8/8/8/8/8/4K3 w - - 0 1",               // pawn on the last rank
        "4k3/8/8/8/8/8/8/p3K3 w - - 0 1",               // black pawn on the first
        "",
    };
    for (const char* fen : refused) {
        EXPECT_FALSE(set_position_from_fen(fen)) << fen;
        EXPECT_STRNE(fen_refusal_reason(), "");
        EXPECT_EQ(pos.hash_key_high, key);
        EXPECT_EQ(pos.side_to_move, WHITE);
    }
}

TEST(Fen, PlacementEndingEarlyStopsAtTheEndOfTheText) {
    setup_position("4k3/8/8/8/8/8/8/4K");
    EXPECT_EQ(pos.board_piece[E1], KING);
    EXPECT_EQ(pos.piece_count[WHITE], 1);
}

}  // namespace
