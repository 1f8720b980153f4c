// Probing "jux.book": ratings and weights, the random choice, the seek, the
// move ranks in the picker's order and the miss counter.
#include <cmath>
#include <map>

#include "board/movegen.h"
#include "book_fixture.h"
#include "search/ordering.h"

namespace {

// Ranks in the picker's order for the book: with no captures and every quiet
// move scoring 0, the picker takes the first entry and moves the last one
// into the gap, so the generator's list h3 h4 g3 g4 ... a3 a4 Nf3 Nh3 Na3 Nc3
// comes out as h3 Nc3 Na3 Nh3 Nf3 a4 ... and e2e4 has rank 13. Black's list
// after 1. e4 mirrors it.
constexpr char RANK_E4 = 'A' + 13, RANK_D4 = 'A' + 11, RANK_NF3 = 'A' + 4, RANK_A4 = 'A' + 5,
               RANK_E5 = 'A' + 13;
const Move E2E4 = make_move_code(E2, E4, MOVE_DOUBLE_STEP);

using BookProbe = BookTest;

TEST_F(BookProbe, WorkedRatingsAndWeights) {
    struct Row {
        std::string record;
        int play, tplay;
        double weight;
    };
    const Row rows[] = {
        // pct (8 + 2) x 100 / 16 = 62; play (310 + 50) / 6; tplay (180 + 50) / 4
        {rec('A', 'B', 16, 50, 16, 8, 4, 4), 60, 57, 5 * std::exp(0.1 * 57)},
        // No games: pct 50; never won: a last resort.
        {rec('A', 'B', 0, 40, 0, 0, 0, 0), 48, 46, 0.001},
        // variants 0 and 99 with the same statistics: trunc(sqrt(99) + 1) = 10 times the weight.
        {rec('A', 'B', 0, 0xFF, 7, 3, 1, 3), 90, 131, std::exp(0.1 * 131)},
        {rec('A', 'B', 99, 0xFF, 7, 3, 1, 3), 90, 131, 10 * std::exp(0.1 * 131)},
    };
    for (const Row& row : rows) {
        BookRecord r{};
        ASSERT_TRUE(parse_book_record(row.record.c_str(), r)) << row.record;
        EXPECT_EQ(book_play_rating(r), row.play) << row.record;
        EXPECT_EQ(book_tplay_rating(r), row.tplay) << row.record;
        EXPECT_DOUBLE_EQ(book_weight(r), row.weight) << row.record;
    }
    BookRecord r{};
    EXPECT_FALSE(parse_book_record("AB00103200010000080000400G04", r));
    // Numbers too wide for their fields are clamped.
    char text[BOOK_RECORD_LENGTH + 1] = {};
    format_book_record(BookRecord{'A', 'B', 70000, 300, 2000000, 1, 2, 3}, text);
    EXPECT_STREQ(text, "ABFFFFFFFFFFF000010000200003");
}

TEST_F(BookProbe, ChoiceFollowsTheWeights) {
    // e4: 5 x e^5.7, d4: 4 x e^5.3, Nf3: 3 x e^5.0, a4 never won: 0.001.
    write_file(BOOK_FILE_NAME,
               token(key_after(""),
                     rec(RANK_E4, '-', 16, 50, 16, 8, 4, 4) + rec(RANK_D4, '-', 9, 50, 9, 3, 3, 3) +
                         rec(RANK_NF3, '-', 4, 50, 4, 1, 2, 1) + rec(RANK_A4, '-', 30, 50, 30, 0, 30, 0)));
    const double w[3] = {5 * std::exp(5.7), 4 * std::exp(5.3), 3 * std::exp(5.0)};
    const Move moves[3] = {E2E4, make_move_code(D2, D4, MOVE_DOUBLE_STEP),
                           make_move_code(G1, F3, MOVE_QUIET)};
    std::map<Move, int> seen;
    const int draws = 20000;
    for (int i = 0; i < draws; i++) seen[probe_book()]++;
    EXPECT_EQ(book.book_miss_count, 0);
    for (int i = 0; i < 3; i++)
        EXPECT_NEAR(seen[moves[i]] / double(draws), w[i] / (w[0] + w[1] + w[2]), 0.015) << i;
    // The poor a4 comes only for the draw 32767, which asks for the whole sum.
    const int poor = seen[make_move_code(A2, A4, MOVE_DOUBLE_STEP)];
    EXPECT_LE(poor, 3);
    EXPECT_EQ(seen[moves[0]] + seen[moves[1]] + seen[moves[2]] + poor, draws) << "only book moves";
}

TEST_F(BookProbe, SixMissesSwitchTheBookOffUntilANewGame) {
    write_file(BOOK_FILE_NAME, token(key_after("e2e4"), rec('-', RANK_E5, 1, 50, 4, 3, 0, 1)));
    book_setup_position(START_FEN);
    for (int i = 1; i <= 6; i++) {
        EXPECT_EQ(probe_book(), 0u);
        EXPECT_EQ(book.book_miss_count, i);
        EXPECT_EQ(book.book_in_use, i < 6 ? 1 : 0);
    }
    // What the interpreter does when a new game begins; a hit resets the count.
    book = BookState{options.own_book, 0};
    probe_book();
    book_setup_position(START_FEN, "e2e4");
    EXPECT_EQ(probe_book(), make_move_code(E7, E5, MOVE_DOUBLE_STEP));
    EXPECT_EQ(book.book_miss_count, 0);
    EXPECT_EQ(book.book_in_use, 1);
}

TEST_F(BookProbe, OwnBookOffUnlimitedSearchesAndAMissingFileSwitchTheBookOff) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(probe_book(), 0u);  // no file yet
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "silently";
    EXPECT_EQ(book.book_in_use, 0);
    EXPECT_EQ(book.book_miss_count, 1);

    write_file(BOOK_FILE_NAME, token(key_after(""), rec(RANK_E4, '-', 1, 50, 4, 3, 0, 1)));
    // OwnBook, time mode, depth limit; a fixed time or depth of 99 is an unlimited search.
    const int rows[][4] = {{0, TIME_CLOCK_INCREMENT, 99, 0},
                           {1, TIME_FIXED, 99, 0},
                           {1, TIME_FIXED, 12, 1},
                           {1, TIME_MOVES_TO_GO, 99, 1}};
    for (const auto& row : rows) {
        options.own_book = row[0];
        limits.time_mode = row[1];
        limits.max_depth = row[2];
        book = BookState{1, 3};
        EXPECT_EQ(probe_book(), row[3] ? E2E4 : 0) << row[0] << " " << row[1] << " " << row[2];
        EXPECT_EQ(book.book_in_use, row[3]);
        EXPECT_EQ(book.book_miss_count, 1 - row[3]);
    }
}

TEST_F(BookProbe, SeekStopsAtTheFirstGreaterKey) {
    const uint32_t start = key_after("");
    ASSERT_LT(start, 0xFFFFFFFFu);
    const std::string e4 = rec(RANK_E4, '-', 1, 50, 4, 3, 0, 1);
    // Out of order: a greater key first hides the position behind it.
    write_file(BOOK_FILE_NAME, token(start + 1, e4) + token(start, e4));
    EXPECT_EQ(probe_book(), 0u);
    // Smaller keys and tokens that are no position are passed over.
    write_file(BOOK_FILE_NAME, "junk " + token(0, e4) + "0000000G\n" + token(start, e4));
    EXPECT_EQ(probe_book(), E2E4);
    // A single record is taken without drawing a random number.
    const int after_probe = next_random();
    seed_random(12345);
    EXPECT_EQ(after_probe, next_random());
}

// Each token replaces the book; misses count up, a hit resets the count.
TEST_F(BookProbe, RecordsThatNameNoMoveHereOrOnlyPoorMovesFailTheProbe) {
    const std::string good = rec(RANK_E4, '-', 1, 50, 4, 3, 0, 1);
    std::string seventeen;
    for (int i = 0; i < BOOK_MAX_RECORDS; i++) seventeen += good;
    const std::pair<std::string, Move> rows[] = {
        // Three that never won: 0.003 in all, below 0.01. All records were
        // read, so the count starts again from this miss.
        {rec(RANK_E4, '-', 50, 50, 9, 0, 9, 0) + rec(RANK_D4, '-', 50, 50, 9, 0, 5, 4) +
             rec(RANK_NF3, '-', 50, 50, 9, 0, 0, 9),
         0},
        {good + rec('A' + 29, '-', 1, 50, 4, 3, 0, 1), 0},  // the 30th move of 20 spoils good ones
        {rec('A' + 20, '-', 1, 50, 4, 3, 0, 1), 0},         // the 21st
        {rec('-', RANK_E5, 1, 50, 4, 3, 0, 1), 0},          // a record for black only
        {"NA0001320000400003000000000Z", 0},                // a damaged number
        {good.substr(0, 27), 0},                            // no whole record
        {"", 0},                                            // no record at all
        {rec('A' + 19, '-', 1, 50, 4, 3, 0, 1), make_move_code(H2, H4, MOVE_DOUBLE_STEP)},  // the 20th
        // An 18th record naming no move, and a stray tail, are never read.
        {seventeen + rec('A' + 40, '-', 1, 50, 4, 3, 0, 1) + "XYZ", E2E4},
    };
    int misses = 0;
    for (const auto& [records, expected] : rows) {
        write_file(BOOK_FILE_NAME, token(key_after(""), records));
        book.book_in_use = 1;
        EXPECT_EQ(probe_book(), expected) << records;
        misses = expected ? 0 : misses + 1;
        EXPECT_EQ(book.book_miss_count, misses) << records;
    }
}

TEST_F(BookProbe, RanksDoNotDependOnWhatThePickerSlotHeld) {
    write_file(BOOK_FILE_NAME, token(key_after(""), rec(RANK_NF3, '-', 1, 50, 4, 3, 0, 1)));
    // A search may leave a stage, a hash move, killers and history behind.
    // Naming the book's own move, a stale hash move or killer would hand it
    // out first and so change its rank.
    ordering.picker_stage[BOOK_PICKER_PLY] = 4;
    ordering.hash_move[BOOK_PICKER_PLY] = int32_t(make_move_code(G1, F3, MOVE_QUIET));
    ordering.killer_table[BOOK_PICKER_PLY] = KillerRecord{3, 1, int32_t(make_move_code(G1, F3, 0)),
                                                          int32_t(make_move_code(D2, D4, MOVE_DOUBLE_STEP))};
    ordering.history_score[(D2 << 6) | D4] = 5000;
    EXPECT_EQ(probe_book(), make_move_code(G1, F3, MOVE_QUIET));
    EXPECT_EQ(ordering.history_score[(D2 << 6) | D4], 0);
}

}  // namespace
