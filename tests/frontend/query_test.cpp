// The position query against entries written into this process's tables.
#include "frontend/query.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "board/fen.h"
#include "board/notation.h"
#include "board/position.h"
#include "core/role.h"
#include "search/hash.h"
#include "search/startup.h"

namespace {

const std::string START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const std::string NO_INFORMATION = "response position noinformation\n";

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
    // The tables are this process's: a later test creates its own.
    void TearDown() override { release_tables(); }
    std::string query(const std::string& fen) {
        testing::internal::CaptureStdout();
        query_position(fen.c_str());
        return testing::internal::GetCapturedStdout();
    }
    // Slot A or B of the entry of fen, holding move_text and no bounds.
    HashSlot& slot(const std::string& fen, const char* move_text, bool slot_b = false) {
        EXPECT_TRUE(set_position_from_fen(fen.c_str()));
        Move move = 0;
        EXPECT_TRUE(find_move_by_text(pos.side_to_move, move_text, move, pos.ep_square)) << move_text;
        HashEntry& entry = hash_tables.table[pos.side_to_move][pos.hash_key_low % hash_tables.entry_count];
        HashSlot& s = slot_b ? entry.b : entry.a;
        s = {pos.hash_key_high, static_cast<int32_t>(move), 30000, -30000, 3, 3, 0};
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
        {28999, 30000, "score cp 28999 lowerbound "},   {29000, 30000, "score mate 500 lowerbound "},
        {29990, 30000, "score mate 5 lowerbound "},     {29999, 29999, "score mate 0 "},
        {-28999, 30000, "score cp -28999 lowerbound "}, {-29990, 30000, "score mate -5 lowerbound "},
        {-30000, 29990, "score mate 5 upperbound "},
    };
    for (const auto& r : rows) {
        HashSlot& s = slot(START_FEN, "e2e4");
        s.lower = r.lower;
        s.upper = r.upper;
        EXPECT_EQ(query(START_FEN), "response position move e2e4  " + std::string(r.score_part) + "\n")
            << r.lower << " " << r.upper;
    }
}

TEST_F(PositionQuery, TheTableOfTheSideToMoveAndTheMatchingSlot) {
    EXPECT_EQ(query(START_FEN), NO_INFORMATION);
    HashSlot& a = slot(START_FEN, "e2e4");
    a.lower = 40;
    HashSlot& b = slot(START_FEN, "d2d4", true);
    b.upper = 50;
    EXPECT_EQ(query(START_FEN), "response position move d2d4  score cp 50 upperbound \n") << "B after A";
    b.key ^= 1;
    EXPECT_EQ(query(START_FEN), "response position move e2e4  score cp 40 lowerbound \n");
    a.move = 0;
    EXPECT_EQ(query(START_FEN), NO_INFORMATION) << "a stored key without a move";
    // Castling is stored without squares: its text comes from the side to
    // move. Castling rights, en passant and move numbers are not read, and a
    // missing side field means white.
    slot("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8g8").lower = 10;
    for (const char* fen : {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "r3k2r/8/8/8/8/8/8/R3K2R b - e3 7 40",
                            "r3k2r/8/8/8/8/8/8/R3K2R   -  b"})
        EXPECT_EQ(query(fen), "response position move e8g8  score cp 10 lowerbound \n") << fen;
    // Placements that end early are read to their end.
    for (const char* fen : {"r3k2r/8/8/8/8/8/8/R3K2R", "", "rnbqkbnr/pppp", "////////////", "99999999 b"})
        EXPECT_EQ(query(fen), NO_INFORMATION) << fen;
}

}  // namespace
