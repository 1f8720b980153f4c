// FEN setup: fields, castling quirks, refusals that change nothing; and the material table.
#include <cstring>
#include <utility>
#include <vector>

#include "board/notation.h"
#include "board_fixture.h"
#include "search/pv.h"

namespace {

using FieldChecks = std::vector<std::pair<const int32_t*, int32_t>>;

// clang-format off
TEST(Fen, FieldsOfTheText) {
    const struct { const char* fen; FieldChecks checks; } cases[] = {
        {START_FEN, {{&pos.side_to_move, WHITE}, {&pos.ep_square, 0}, {&pos.game_ply, 0}, {&pos.last_irreversible_ply, 0},
                     {&pos.piece_count[WHITE], 16}, {&pos.piece_count[BLACK], 16},
                     {&pos.material_signature[WHITE], 1768}, {&pos.material_signature[BLACK], 1768}}},
        {"8/8/8/8/8/8/8/K6k w - - 0 1", {{&pos.board_piece[A1], KING}, {&pos.board_colour[H1], BLACK}, {&pos.game_ply, 2}, {&pos.square_moves[H8], 1}}},
        // A bishop counts by its square's colour: c1 dark, c8 light.
        {"2b1k3/8/8/8/8/8/8/2B1K3 w - - 0 1", {{&pos.material_signature[WHITE], 64}, {&pos.material_signature[BLACK], 128}}},
        {"8/8/8/8/8/8/8/K6k b - - 0 1", {{&pos.game_ply, 3}}},
        // The half-move clock counts back from the current ply, within the game; move numbers are bounded.
        {"4k3/8/8/8/8/8/8/4K3 w - - 12 40", {{&pos.game_ply, 80}, {&pos.last_irreversible_ply, 68}}},
        {"4k3/8/8/8/8/8/8/4K3 w - - 30 5", {{&pos.last_irreversible_ply, 0}}},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 99999999", {{&pos.game_ply, FEN_GAME_PLY_LIMIT}}},
        {"4k3/8/8/8/8/8/8/4K3 w - - -5 -7", {{&pos.game_ply, 0}, {&pos.last_irreversible_ply, 0}}},
        // "K" and "Q" with the white king on f1 have no effect.
        {"r3k2r/8/8/8/8/8/8/R4K1R w KQ - 0 1",
         {{&pos.square_moves[H1], 1}, {&pos.square_moves[A1], 1}, {&pos.castle_off[WHITE], 1}}},
        // An en-passant square only where a double step can have made it.
        {"4k3/8/8/8/4P3/8/8/4K3 b - e3 0 1", {{&pos.ep_square, E3}}},
        {"4k3/8/8/8/4P3/8/8/4K3 w - e3 0 1", {{&pos.ep_square, 0}}},  // wrong side to move
        {"4k3/8/8/8/8/8/8/4K3 b - e3 0 1", {{&pos.ep_square, 0}}},    // no pawn that moved
        {"4k3/8/8/8/4P3/8/8/4K3 b - e5 0 1", {{&pos.ep_square, 0}}},  // wrong rank
        // Missing fields take defaults, a clock alone does not set the ply, a short placement ends with the text.
        {"4k3/8/8/8/8/8/8/R3K3", {{&pos.side_to_move, WHITE}, {&pos.square_moves[E1], 1}}},
        {"4k3/8/8/8/8/8/8/R3K3 b Q", {{&pos.side_to_move, BLACK}, {&pos.square_moves[A1], 0}, {&pos.game_ply, 0}}},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 7", {{&pos.game_ply, 0}}},
        {"4k3/8/8/8/8/8/8/4K", {{&pos.board_piece[E1], KING}, {&pos.piece_count[WHITE], 1}}},
    };
    for (const auto& c : cases) {
        setup_position(c.fen);
        for (size_t i = 0; i < c.checks.size(); i++)
            EXPECT_EQ(*c.checks[i].first, c.checks[i].second) << c.fen << ", field " << i;
    }
}
// clang-format on

TEST(Fen, PositionsTheEngineCannotHoldOrPlayAreRefusedWithoutChanges) {
    // A game in progress, with a move on the record and a principal variation.
    setup_position(KIWIPETE);
    ASSERT_EQ(enter_game_move("e2a6"), BLACK);
    pv.pv_move[3] = 77;
    const Position before = pos;
    for (const char* fen : {
             "4k3/8/8/8/8/8/8/3KK3 w - - 0 1",               // two white kings
             "4k3/8/8/8/8/8/8/8 w - - 0 1",                  // no white king
             "4k3/8/8/8/8/PPPPPPPP/NNNNNNNN/4K3 w - - 0 1",  // 17 white pieces
             "P3k3/8/8/8/8/8/8/4K3 w - - 0 1",               // pawn on the last rank
             "4k3/8/8/8/8/8/8/p3K3 w - - 0 1",               // black pawn on the first
             "",
             // The side to move could take the king: by a rook, a knight, a pawn, a king.
             "k6R/8/8/8/8/8/8/K7 w - - 0 1", "1k6/2R3n1/8/Q4K2/8/8/8/8 b - - 0 1",
             "8/8/8/8/8/3k4/4P3/4K3 w - - 0 1", "8/8/8/3kK3/8/8/8/8 b - - 0 1",
             "8/8/8/8/8/8/8/Kk6",  // white to move by default
         }) {
        EXPECT_FALSE(set_position_from_fen(fen)) << fen;
        EXPECT_STRNE(fen_refusal_reason(), "") << fen;
        EXPECT_EQ(std::memcmp(&pos, &before, sizeof pos), 0) << fen;
        EXPECT_EQ(pv.pv_move[3], 77) << fen;
    }
    // The same boards with the checked side to move are games.
    for (const char* fen : {"k6R/8/8/8/8/8/8/K7 b - - 0 1", "1k6/2R3n1/8/Q4K2/8/8/8/8 w - - 0 1",
                            "8/8/8/8/8/3k4/4P3/4K3 b - - 0 1"}) {
        setup_position(fen);
        EXPECT_EQ(pv.pv_move[3], 0) << fen;
    }
}

// A fourth queen carries out of the twelve bits of the signature: the table sees the rest.
TEST(Geometry, MaterialTableReadsTheLowTwelveBitsOfTheSignature) {
    setup_position(START_FEN);
    EXPECT_EQ(material_of(4 * SIGNATURE_QUEEN + 8), material_of(8));
    EXPECT_EQ(material_of(8), 8 * 90 - 40);  // eight pawns and their count term
}

}  // namespace
