// The position rule (move list, new-game memory) and the position query against this process's tables.
#include "frontend/interpreter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "core/options.h"
#include "core/role.h"
#include "frontend/query.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/startup.h"

namespace {

const std::string CASTLING_FEN = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
const std::string NO_INFORMATION = "response position noinformation\n";

void set_up_main_mode() {
    init_tables();
    role.is_master = 1;
    role.read_from_pipe = 0;
    options.debug_mode = 0;
    options.own_book = 1;
    interpreter.last_position_ply = 999;
}

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
        // e5xd6 only because d7-d5 left its en-passant square behind.
        {"position startpos moves e2e4 a7a6 e4e5 d7d5 e5d6", 5, BLACK, D5, NO_PIECE},
        {"position fen 4k3/8/8/8/8/8/4P3/4K3 w - - 0 30 moves e2e4 e8d7", 62, WHITE, D7, KING},
        // Words of three characters or fewer, or too long for a move word, are skipped.
        {"position startpos moves e2 e2e4 abc " + std::string(64, 'x') + " e7e5", 2, WHITE, E5, PAWN},
        // A word that names no move ends the list: case counts, a promotion needs its letter,
        // castling is the king's move.
        {"position startpos moves e2e4 e7e9 d2d4", 1, BLACK, D4, NO_PIECE},
        {"position fen 4k3/1P6/8/8/8/8/8/4K3 w - - 0 1 moves b7b8 e8d8", 2, WHITE, B7, PAWN},
        {"position fen 4k3/1P6/8/8/8/8/8/4K3 w - - 0 1 moves b7b8N e8d8", 2, WHITE, B7, PAWN},
        {"position fen 4k3/1P6/8/8/8/8/8/4K3 w - - 0 1 moves b7b8n e8d8", 4, WHITE, B8, KNIGHT},
        {"position startpos moves e2e4 " + std::string(63, 'x') + " e7e5", 1, BLACK, E5, NO_PIECE},
        {"position fen " + CASTLING_FEN + " moves E1G1", 2, WHITE, E1, KING},
        {"position fen " + CASTLING_FEN + " moves e1h1 e8g8", 2, WHITE, H1, ROOK},
        {"position fen " + CASTLING_FEN + " moves e1g1 e8c8", 4, WHITE, D8, ROOK},
        // A refused placement, or no text to set up, changes nothing.
        {"position fen 8/8/8/8/8/8/8/8 w - - 0 1 moves e2e4", 4, WHITE, D8, ROOK},
        {"position fen", 4, WHITE, D8, ROOK},
        {"position moves e2e4", 4, WHITE, D8, ROOK},
        // The pinned bishop's move ends the list.
        {"position fen 4k3/4r3/8/8/8/8/4B3/4K3 b - - 0 1 moves e8d8 e2d3 d8c8", 4, WHITE, E2, BISHOP},
        {longest, 995, BLACK, F6, KNIGHT},
    };
    for (const auto& r : rows) {
        execute_command(r.line.c_str(), MAIN_MODE);
        EXPECT_EQ((std::array{pos.game_ply, pos.side_to_move, pos.board_piece[r.square]}),
                  (std::array{r.game_ply, r.side_to_move, r.piece}))
            << r.line;
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
        execute_command(r.line, MAIN_MODE);
        const std::array<int, 4> memory = {search.root_score, search.previous_search_score, book.book_in_use,
                                           book.book_miss_count};
        const std::array<int, 4> reset = {0, 0, r.own_book, 0}, kept = {55, 66, !r.own_book, 3};
        EXPECT_EQ(memory, r.new_game ? reset : kept) << r.line;
        EXPECT_EQ(interpreter.last_position_ply, pos.game_ply) << r.line;
    }
}

class PositionQuery : public ::testing::Test {
   protected:
    void SetUp() override {
        role.is_master = 1;
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
        if (!hash_tables.held) {
            ASSERT_NE(create_tables(0, 0), -1);
            reset_game_state();
        }
        clear_hash_tables();
    }
    void TearDown() override { release_tables(); }
    std::string query(const std::string& fen) {
        testing::internal::CaptureStdout();
        query_position(fen.c_str());
        return testing::internal::GetCapturedStdout();
    }
    HashSlot& slot(const std::string& fen, const char* move_text, int32_t lower, int32_t upper,
                   bool b = false) {
        EXPECT_TRUE(set_position_from_fen(fen.c_str()));
        Move move = 0;
        EXPECT_TRUE(find_move_by_text(pos.side_to_move, move_text, move, pos.ep_square)) << move_text;
        HashEntry& entry = hash_tables.table[pos.side_to_move][pos.hash_key_low % hash_tables.entry_count];
        HashSlot& s = b ? entry.b : entry.a;
        s = {pos.hash_key_high, static_cast<int32_t>(move), upper, lower, 3, 3, 0};
        return s;
    }
};

TEST_F(PositionQuery, TheBoundsKnownGiveTheScorePart) {
    const struct {
        int32_t lower, upper;
        const char* score_part;
    } rows[] = {
        {35, 30000, "score cp 35 lowerbound "},         {35, 35, "score cp 35 "},
        {-30000, -12, "score cp -12 upperbound "},      {-30000, 30000, ""},
        {29000, 30000, "score mate 500 lowerbound "},   {29999, 29999, "score mate 0 "},
        {-28999, 30000, "score cp -28999 lowerbound "}, {-29990, 30000, "score mate -5 lowerbound "},
        {-30000, 29990, "score mate 5 upperbound "},
    };
    for (const auto& r : rows) {
        slot(START_FEN, "e2e4", r.lower, r.upper);
        EXPECT_EQ(query(START_FEN), "response position move e2e4  " + std::string(r.score_part) + "\n")
            << r.lower << " " << r.upper;
    }
}

TEST_F(PositionQuery, TheTableOfTheSideToMoveAndTheMatchingSlot) {
    EXPECT_EQ(query(START_FEN), NO_INFORMATION);
    HashSlot& a = slot(START_FEN, "e2e4", 40, 30000);
    HashSlot& b = slot(START_FEN, "d2d4", -30000, 50, true);
    EXPECT_EQ(query(START_FEN), "response position move d2d4  score cp 50 upperbound \n") << "B after A";
    b.key ^= 1;
    EXPECT_EQ(query(START_FEN), "response position move e2e4  score cp 40 lowerbound \n");
    a.move = 0;
    EXPECT_EQ(query(START_FEN), NO_INFORMATION) << "a stored key without a move";
    // Castling is stored without squares, its text comes from the side to move; castling rights, en passant
    // and move numbers are not read, and a missing side field means white.
    slot("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8g8", 10, 30000);
    for (const char* fen : {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "r3k2r/8/8/8/8/8/8/R3K2R b - e3 7 40",
                            "r3k2r/8/8/8/8/8/8/R3K2R   -  b"})
        EXPECT_EQ(query(fen), "response position move e8g8  score cp 10 lowerbound \n") << fen;
    // Placements that end early are read to their end.
    for (const char* fen : {"r3k2r/8/8/8/8/8/8/R3K2R", "", "rnbqkbnr/pppp", "////////////", "99999999 b"})
        EXPECT_EQ(query(fen), NO_INFORMATION) << fen;
}

}  // namespace
