// The position rule in this process: the move list on the game board and the
// new-game memory.
#include "frontend/interpreter.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "board/geometry.h"
#include "board/position.h"
#include "book/book.h"
#include "core/options.h"
#include "core/role.h"
#include "search/node.h"
#include "search/startup.h"

namespace {

const std::string CASTLING_FEN = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";

void set_up_main_mode() {
    init_tables();
    role.is_master = 1;
    role.read_from_pipe = 0;
    options.debug_mode = 0;
    options.own_book = 1;
    interpreter.last_position_ply = 999;
}

void run(const std::string& line) {
    execute_command(line.c_str(), 0);
}

// Each line acts on the position the lines before it left.
TEST(PositionRule, MovesArePlayedUpToTheFirstWordThatNamesNoMove) {
    set_up_main_mode();
    // Knights out and back: a full 4999-character line holds 995 moves.
    std::string longest = "position startpos moves ";
    const char* cycle[] = {"g1f3 ", "g8f6 ", "f3g1 ", "f6g8 "};
    for (int i = 0; longest.size() < LINE_BUFFER_SIZE - 1; i++) longest += cycle[i % 4];
    longest.resize(LINE_BUFFER_SIZE - 1);
    const struct {
        std::string line;
        int game_ply, side_to_move, square, piece;  // the piece shows which moves were made
    } rows[] = {
        // e5xd6 is there only because d7-d5 left its en-passant square behind.
        {"position startpos moves e2e4 a7a6 e4e5 d7d5 e5d6", 5, BLACK, D5, NO_PIECE},
        {"position fen 4k3/8/8/8/8/8/4P3/4K3 w - - 0 30 moves e2e4 e8d7", 62, WHITE, D7, KING},
        // Words of three characters or fewer, or too long for a move word, are skipped.
        {"position startpos moves e2 e2e4 abc " + std::string(64, 'x') + " e7e5", 2, WHITE, E5, PAWN},
        // A word that names no move ends the list: case counts, castling is
        // the king's move, and a word of 63 characters is looked up.
        {"position startpos moves e2e4 e7e9 d2d4", 1, BLACK, D4, NO_PIECE},
        {"position startpos moves e2e4 " + std::string(63, 'x') + " e7e5", 1, BLACK, E5, NO_PIECE},
        {"position fen " + CASTLING_FEN + " moves E1G1", 2, WHITE, E1, KING},
        {"position fen " + CASTLING_FEN + " moves e1h1 e8g8", 2, WHITE, H1, ROOK},
        {"position fen " + CASTLING_FEN + " moves e1g1 e8c8", 4, WHITE, D8, ROOK},
        // A refused placement, and lines without a text to set up, change nothing.
        {"position fen 8/8/8/8/8/8/8/8 w - - 0 1 moves e2e4", 4, WHITE, D8, ROOK},
        {"position fen k6R/8/8/8/8/8/8/K7 w - - 0 1", 4, WHITE, D8, ROOK},
        {"position fen", 4, WHITE, D8, ROOK},
        {"position moves e2e4", 4, WHITE, D8, ROOK},
        // A move that leaves the mover's king attacked ends the list: the bishop is pinned.
        {"position fen 4k3/4r3/8/8/8/8/4B3/4K3 b - - 0 1 moves e8d8 e2d3 d8c8", 4, WHITE, E2, BISHOP},
        {longest, 995, BLACK, F6, KNIGHT},
    };
    for (const auto& r : rows) {
        run(r.line);
        EXPECT_EQ(pos.game_ply, r.game_ply) << r.line;
        EXPECT_EQ(pos.side_to_move, r.side_to_move) << r.line;
        EXPECT_EQ(pos.board_piece[r.square], r.piece) << r.line;
        EXPECT_TRUE(position_is_consistent()) << r.line;
    }
}

TEST(PositionRule, NewGameWhenThePlyIsZeroOrNotTwoOnFromTheLastPosition) {
    set_up_main_mode();
    const struct {
        const char* line;
        int own_book;
        bool new_game;
    } rows[] = {
        {"position startpos moves e2e4", 1, true},             // the first position
        {"position startpos moves e2e4 e7e5 g1f3", 1, false},  // our move and the reply
        {"position startpos moves e2e4 e7e5 g1f3", 1, false},  // the same again
        {"position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6", 1, true},
        {"position startpos", 1, true},
        {"position startpos", 1, true},                              // ply 0 is always a new game
        {"position fen 4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 1, false},  // ply 2
        {"position fen 4k3/8/8/8/4P3/8/8/4K3 w - - 0 2", 1, false},  // ply 4
        {"position fen 4k3/8/8/8/4P3/8/8/4K3 b - - 0 3", 1, true},   // ply 7
        {"position fen 4k3/8/8/8/4P3/8/8/4K3 b - - 0 1", 0, true},   // ply 3, book off
    };
    for (const auto& r : rows) {
        options.own_book = r.own_book;
        search.root_score = 55;
        search.previous_search_score = 66;
        book.book_in_use = !r.own_book;
        book.book_miss_count = 3;
        run(r.line);
        const std::array<int, 4> memory = {search.root_score, search.previous_search_score, book.book_in_use,
                                           book.book_miss_count};
        const std::array<int, 4> reset = {0, 0, r.own_book, 0}, kept = {55, 66, !r.own_book, 3};
        EXPECT_EQ(memory, r.new_game ? reset : kept) << r.line;
        EXPECT_EQ(interpreter.last_position_ply, pos.game_ply) << r.line;
    }
}

}  // namespace
