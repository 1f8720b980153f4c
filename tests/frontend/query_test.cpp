// The position query against entries stored in this process's tables.
#include "frontend/query.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "board/fen.h"
#include "board/notation.h"
#include "board/position.h"
#include "frontend/roles.h"
#include "search/hash.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

const std::string START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const std::string AFTER_E4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1";

class PositionQuery : public ::testing::Test {
   protected:
    void SetUp() override {
        role.is_master = 1;
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
        if (!hash_tables.held) {
            ASSERT_NE(create_tables(0, 0), -1);
        }
        clear_hash_tables();
        hash_tables.search_id = 1;
    }
    std::string query(const std::string& fen) {
        CaptureStdout();
        query_position(fen.c_str());
        return GetCapturedStdout();
    }
    // Stores a result for fen with the move named by move_text.
    void store(const std::string& fen, int score, int bound, const char* move_text) {
        ASSERT_TRUE(set_position_from_fen(fen.c_str()));
        Move move = 0;
        ASSERT_TRUE(find_move_by_text(pos.side_to_move, move_text, move, pos.ep_square)) << move_text;
        store_hash(pos.side_to_move, score, 4, bound, move);
    }
};

TEST_F(PositionQuery, NothingStoredNothingToTell) {
    EXPECT_EQ(query(START_FEN), "response position noinformation\n");
}

TEST_F(PositionQuery, BoundsAndTheirWords) {
    // A fail-high at 35: a lower bound only.
    store(START_FEN, 35, 35, "e2e4");
    EXPECT_EQ(query(START_FEN), "response position move e2e4  score cp 35 lowerbound \n");
    // Then a fail-low at 35: both bounds, no bound word.
    store(START_FEN, 35, 36, "e2e4");
    EXPECT_EQ(query(START_FEN), "response position move e2e4  score cp 35 \n");
    // A new position that failed low at -12: an upper bound only.
    store(AFTER_E4, -12, 0, "c7c5");
    EXPECT_EQ(query(AFTER_E4), "response position move c7c5  score cp -12 upperbound \n");
    // A move with neither bound known.
    const std::string other = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1";
    store(other, 30000, 30001, "e2e3");
    EXPECT_EQ(query(other), "response position move e2e3  \n");
}

TEST_F(PositionQuery, ScoresBeyondTheMateBoundPrintAsMoves) {
    const struct {
        int lower;
        const char* reply;
    } cases[] = {
        {29990, "response position move e2e4  score mate 5 lowerbound \n"},
        {-29990, "response position move e2e4  score mate -5 lowerbound \n"},
        {28999, "response position move e2e4  score cp 28999 lowerbound \n"},
        {29000, "response position move e2e4  score mate 500 lowerbound \n"},
        {-28999, "response position move e2e4  score cp -28999 lowerbound \n"},
        {-29000, "response position move e2e4  score mate -500 lowerbound \n"},
        {29999, "response position move e2e4  score mate 0 lowerbound \n"},
    };
    for (const auto& c : cases) {
        clear_hash_tables();
        store(START_FEN, c.lower, c.lower, "e2e4");
        EXPECT_EQ(query(START_FEN), c.reply) << c.lower;
    }
}

TEST_F(PositionQuery, TheSideToMovePicksTheTableAndTheMoveText) {
    store(START_FEN, 20, 20, "g1f3");
    EXPECT_EQ(query(START_FEN), "response position move g1f3  score cp 20 lowerbound \n");
    EXPECT_EQ(query("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"),
              "response position noinformation\n");
    // Castling is stored as a code without squares: the text comes from the side.
    const std::string castle = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1";
    store(castle, 10, 10, "e8g8");
    EXPECT_EQ(query(castle), "response position move e8g8  score cp 10 lowerbound \n");
    // Castling rights, the en-passant square and the move numbers do not count.
    EXPECT_EQ(query("r3k2r/8/8/8/8/8/8/R3K2R b - e3 7 40"),
              "response position move e8g8  score cp 10 lowerbound \n");
    // Without a side field the query is for white.
    EXPECT_EQ(query("r3k2r/8/8/8/8/8/8/R3K2R"), "response position noinformation\n");
    EXPECT_EQ(query("r3k2r/8/8/8/8/8/8/R3K2R   -  b"),
              "response position move e8g8  score cp 10 lowerbound \n");
}

TEST_F(PositionQuery, SlotBIsReadAfterSlotA) {
    ASSERT_TRUE(set_position_from_fen(START_FEN.c_str()));
    HashEntry& entry = hash_tables.table[WHITE][pos.hash_key_low % hash_tables.entry_count];
    entry.a = {pos.hash_key_high,
               static_cast<int32_t>(make_move_code(E2, E4, MOVE_DOUBLE_STEP)),
               30000,
               40,
               3,
               3,
               0};
    entry.b = {pos.hash_key_high,
               static_cast<int32_t>(make_move_code(D2, D4, MOVE_DOUBLE_STEP)),
               50,
               -30000,
               3,
               3,
               1};
    EXPECT_EQ(query(START_FEN), "response position move d2d4  score cp 50 upperbound \n");
    entry.b.key ^= 1;
    EXPECT_EQ(query(START_FEN), "response position move e2e4  score cp 40 lowerbound \n");
    // A stored key with no move tells nothing.
    entry.a.move = 0;
    EXPECT_EQ(query(START_FEN), "response position noinformation\n");
}

TEST_F(PositionQuery, PlacementsThatEndEarlyAreReadToTheirEnd) {
    for (const char* text : {"", "rnbqkbnr/pppp", "8/8/8", "////////////", "K", "99999999"})
        EXPECT_EQ(query(text), "response position noinformation\n") << text;
}

}  // namespace
