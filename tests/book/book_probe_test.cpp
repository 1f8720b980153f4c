// Probing "jux.book": the seek, the move ranks in the picker's order, the
// ratings and weights, the random choice and the miss counter.
#include <cmath>
#include <cstdio>
#include <map>

#include "board/movegen.h"
#include "book/book.h"
#include "book_fixture.h"
#include "frontend/options.h"
#include "search/ordering.h"
#include "search/random.h"

namespace {

// One record, written field by field the way the format lays it out.
std::string rec(char white, char black, unsigned variants, unsigned book_value, unsigned played, unsigned won,
                unsigned draw, unsigned lost) {
    char text[64];
    std::snprintf(text, sizeof text, "%c%c%04X%02X%05X%05X%05X%05X", white, black, variants, book_value,
                  played, won, draw, lost);
    return text;
}

std::string token(uint32_t key, const std::string& records) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", key);
    return text + records + "\n";
}

// Hand-counted ranks in the picker's order for the book: with no captures
// and every quiet move scoring 0, the picker takes the first entry and moves
// the last one into the gap, so a list L0..Ln-1 comes out as L0, Ln-1, ...,
// L1. From the start the generator lists h3 h4 g3 g4 ... a3 a4 Nf3 Nh3 Na3
// Nc3, which puts e2e4 at rank 13 and g1f3 at rank 4; black's list after
// 1. e4 mirrors it (e7e5 13, c7c5 9).
constexpr char RANK_E4 = 'A' + 13, RANK_D4 = 'A' + 11, RANK_NF3 = 'A' + 4, RANK_A4 = 'A' + 5,
               RANK_E5 = 'A' + 13;

class BookProbe : public ScratchDirectory {
   protected:
    void SetUp() override {
        ScratchDirectory::SetUp();
        book_setup_position(START_FEN);
        options.own_book = 1;
        limits.time_mode = TIME_CLOCK_INCREMENT;
        limits.max_depth = 99;
        book.book_in_use = 1;
        book.book_miss_count = 0;
        seed_random(12345);
    }
    static Move code(Square from, Square to, int type) { return make_move_code(from, to, type); }
};

TEST_F(BookProbe, RanksFollowThePickerOrderForBothSides) {
    uint32_t start = key_after("");
    uint32_t after_e4 = key_after("e2e4");
    std::string book_text = token(start, rec(RANK_E4, '~', 1, 50, 4, 3, 0, 1)) +
                            token(after_e4, rec('~', RANK_E5, 1, 50, 4, 3, 0, 1));
    if (start > after_e4)
        book_text = token(after_e4, rec('~', RANK_E5, 1, 50, 4, 3, 0, 1)) +
                    token(start, rec(RANK_E4, '~', 1, 50, 4, 3, 0, 1));
    write_file(BOOK_FILE_NAME, book_text);

    book_setup_position(START_FEN);
    EXPECT_EQ(probe_book(), code(E2, E4, MOVE_DOUBLE_STEP));
    book_setup_position(START_FEN, "e2e4");
    EXPECT_EQ(probe_book(), code(E7, E5, MOVE_DOUBLE_STEP));
    EXPECT_EQ(book.book_miss_count, 0);
    EXPECT_EQ(book.book_in_use, 1);

    Move order[256];
    book_setup_position(START_FEN);
    ASSERT_EQ(book_move_order(WHITE, 0, order), 20);
    EXPECT_EQ(order[0], code(H2, H3, MOVE_QUIET));
    EXPECT_EQ(order[1], code(B1, C3, MOVE_QUIET));
    EXPECT_EQ(order[4], code(G1, F3, MOVE_QUIET));
    EXPECT_EQ(order[19], code(H2, H4, MOVE_DOUBLE_STEP));
}

TEST_F(BookProbe, RanksDoNotDependOnWhatThePickerSlotHeld) {
    write_file(BOOK_FILE_NAME, token(key_after(""), rec(RANK_NF3, '~', 1, 50, 4, 3, 0, 1)));
    book_setup_position(START_FEN);
    // A search may leave a stage, a hash move, killers and history behind.
    ordering.picker_stage[BOOK_PICKER_PLY] = 4;
    ordering.hash_move[BOOK_PICKER_PLY] = code(A2, A3, MOVE_QUIET);
    ordering.killer_table[BOOK_PICKER_PLY] =
        KillerRecord{3, 1, int32_t(code(B1, A3, 0)), int32_t(code(G2, G3, 0))};
    ordering.history_score[(D2 << 6) | D4] = 5000;
    EXPECT_EQ(probe_book(), code(G1, F3, MOVE_QUIET));
    EXPECT_EQ(ordering.history_score[(D2 << 6) | D4], 0);
}

TEST_F(BookProbe, SingleRecordIsTakenWithoutDrawingARandomNumber) {
    write_file(BOOK_FILE_NAME, token(key_after(""), rec(RANK_E4, '~', 1, 50, 4, 3, 0, 1)));
    book_setup_position(START_FEN);
    EXPECT_EQ(probe_book(), code(E2, E4, MOVE_DOUBLE_STEP));
    int after_probe = next_random();
    seed_random(12345);
    EXPECT_EQ(after_probe, next_random());
}

TEST_F(BookProbe, WorkedRatingsAndWeights) {
    BookRecord r{};
    ASSERT_TRUE(parse_book_record(rec('A', 'B', 16, 50, 16, 8, 4, 4).c_str(), r));
    EXPECT_EQ(r.variants, 16u);
    EXPECT_EQ(r.played, 16u);
    EXPECT_EQ(book_play_rating(r), 60);   // pct (8 + 2) x 100 / 16 = 62; (310 + 50) / 6
    EXPECT_EQ(book_tplay_rating(r), 57);  // (180 + 50) / 4
    EXPECT_DOUBLE_EQ(book_weight(r), 5 * std::exp(5.7));

    // No games: pct 50.
    ASSERT_TRUE(parse_book_record(rec('A', 'B', 0, 40, 0, 0, 0, 0).c_str(), r));
    EXPECT_EQ(book_play_rating(r), 48);       // (250 + 40) / 6
    EXPECT_EQ(book_tplay_rating(r), 46);      // (144 + 40) / 4
    EXPECT_DOUBLE_EQ(book_weight(r), 0.001);  // never won

    // variants 0 against 99, same statistics: a factor of trunc(sqrt(99) + 1) = 10.
    BookRecord few{}, many{};
    ASSERT_TRUE(parse_book_record(rec('A', 'B', 0, 0xFF, 7, 3, 1, 3).c_str(), few));
    ASSERT_TRUE(parse_book_record(rec('A', 'B', 99, 0xFF, 7, 3, 1, 3).c_str(), many));
    EXPECT_EQ(few.book_value, 255u);
    EXPECT_DOUBLE_EQ(book_weight(many) / book_weight(few), 10.0);

    // Won fewer than lost: a last resort.
    ASSERT_TRUE(parse_book_record(rec('A', 'B', 9, 50, 9, 3, 2, 4).c_str(), r));
    EXPECT_DOUBLE_EQ(book_weight(r), 0.001);

    EXPECT_FALSE(parse_book_record("AB00103200010000080000400G04", r));
    EXPECT_TRUE(parse_book_record("AB00103200010000080000400004", r));
    EXPECT_EQ(r.lost, 4u);
}

TEST_F(BookProbe, RecordsRoundTripThroughTheWriter) {
    BookRecord r{'N', '-', 0xBEEF, 0x32, 0xFFFFF, 0x12345, 0, 7};
    char text[BOOK_RECORD_LENGTH + 1] = {};
    format_book_record(r, text);
    EXPECT_STREQ(text, "N-BEEF32FFFFF123450000000007");
    BookRecord big{'A', 'B', 70000, 300, 2000000, 1, 2, 3};
    format_book_record(big, text);
    EXPECT_STREQ(text,
                 "ABFFFFFFFFFFF000010000200003");  // clamped to the field widths
}

TEST_F(BookProbe, ChoiceFollowsTheWeights) {
    // e4: 5 x e^5.7, d4: 4 x e^5.3, Nf3: 3 x e^5.0 (pct 50, play 50, tplay 50),
    // a4 never won: 0.001.
    write_file(BOOK_FILE_NAME,
               token(key_after(""),
                     rec(RANK_E4, '~', 16, 50, 16, 8, 4, 4) + rec(RANK_D4, '~', 9, 50, 9, 3, 3, 3) +
                         rec(RANK_NF3, '~', 4, 50, 4, 1, 2, 1) + rec(RANK_A4, '~', 30, 50, 30, 0, 30, 0)));
    const double w[3] = {5 * std::exp(5.7), 4 * std::exp(5.3), 3 * std::exp(5.0)};
    const double total = w[0] + w[1] + w[2] + 0.001;
    const Move moves[3] = {code(E2, E4, MOVE_DOUBLE_STEP), code(D2, D4, MOVE_DOUBLE_STEP), code(G1, F3, 0)};
    std::map<Move, int> seen;
    const int draws = 20000;
    book_setup_position(START_FEN);
    for (int i = 0; i < draws; i++) {
        Move m = probe_book();
        ASSERT_NE(m, 0u);
        seen[m]++;
    }
    EXPECT_EQ(book.book_miss_count, 0);
    int counted = 0;
    for (int i = 0; i < 3; i++) {
        counted += seen[moves[i]];
        EXPECT_NEAR(seen[moves[i]] / double(draws), w[i] / total, 0.015) << i;
    }
    // Nothing outside the book. The poor a4 comes only when the draw is
    // 32767: t is then the whole sum, which only the last record reaches.
    int poor = seen[code(A2, A4, MOVE_DOUBLE_STEP)];
    EXPECT_LE(poor, 3);
    EXPECT_EQ(counted + poor, draws);
}

TEST_F(BookProbe, SixMissesSwitchTheBookOffUntilANewGame) {
    write_file(BOOK_FILE_NAME, token(key_after("e2e4"), rec('~', RANK_E5, 1, 50, 4, 3, 0, 1)));
    book_setup_position(START_FEN);
    for (int i = 1; i <= 5; i++) {
        EXPECT_EQ(probe_book(), 0u);
        EXPECT_EQ(book.book_miss_count, i);
        EXPECT_EQ(book.book_in_use, 1);
    }
    EXPECT_EQ(probe_book(), 0u);
    EXPECT_EQ(book.book_miss_count, 6);
    EXPECT_EQ(book.book_in_use, 0);

    // What the interpreter does when a new game begins.
    book.book_in_use = options.own_book;
    book.book_miss_count = 0;
    book_setup_position(START_FEN, "e2e4");
    EXPECT_EQ(probe_book(), code(E7, E5, MOVE_DOUBLE_STEP));
    EXPECT_EQ(book.book_in_use, 1);

    // A hit resets the count.
    book_setup_position(START_FEN);
    probe_book();
    probe_book();
    EXPECT_EQ(book.book_miss_count, 2);
    book_setup_position(START_FEN, "e2e4");
    probe_book();
    EXPECT_EQ(book.book_miss_count, 0);
}

TEST_F(BookProbe, OwnBookOffAndUnlimitedSearchesSwitchTheBookOff) {
    write_file(BOOK_FILE_NAME, token(key_after(""), rec(RANK_E4, '~', 1, 50, 4, 3, 0, 1)));
    book_setup_position(START_FEN);
    options.own_book = 0;
    EXPECT_EQ(probe_book(), 0u);
    EXPECT_EQ(book.book_in_use, 0);
    EXPECT_EQ(book.book_miss_count, 1);
    options.own_book = 1;

    book.book_in_use = 1;
    book.book_miss_count = 3;
    limits.time_mode = TIME_FIXED;
    limits.max_depth = 99;  // infinite, a fixed move time, or depth 99
    EXPECT_EQ(probe_book(), 0u);
    EXPECT_EQ(book.book_in_use, 0);
    EXPECT_EQ(book.book_miss_count, 1);

    book.book_in_use = 1;
    limits.max_depth = 12;  // a fixed depth below 99 may use the book
    EXPECT_EQ(probe_book(), code(E2, E4, MOVE_DOUBLE_STEP));
    limits.time_mode = TIME_MOVES_TO_GO;
    limits.max_depth = 99;
    EXPECT_EQ(probe_book(), code(E2, E4, MOVE_DOUBLE_STEP));
}

TEST_F(BookProbe, MissingFileSwitchesTheBookOffSilently) {
    book_setup_position(START_FEN);
    testing::internal::CaptureStdout();
    EXPECT_EQ(probe_book(), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(book.book_in_use, 0);
    EXPECT_EQ(book.book_miss_count, 1);
}

TEST_F(BookProbe, SeekStopsAtTheFirstGreaterKey) {
    uint32_t start = key_after("");
    ASSERT_LT(start, 0xFFFFFFFFu);
    // Out of order: a greater key first hides the position behind it.
    write_file(BOOK_FILE_NAME, token(start + 1, rec(RANK_E4, '~', 1, 50, 4, 3, 0, 1)) +
                                   token(start, rec(RANK_E4, '~', 1, 50, 4, 3, 0, 1)));
    book_setup_position(START_FEN);
    EXPECT_EQ(probe_book(), 0u);
    EXPECT_EQ(book.book_miss_count, 1);

    // Smaller keys and tokens that are no position are passed over.
    write_file(BOOK_FILE_NAME, "junk " + token(0, rec(RANK_E4, '~', 1, 50, 4, 3, 0, 1)) + "0000000G\n" +
                                   token(start, rec(RANK_E4, '~', 1, 50, 4, 3, 0, 1)));
    EXPECT_EQ(probe_book(), code(E2, E4, MOVE_DOUBLE_STEP));

    std::FILE* f = std::fopen(BOOK_FILE_NAME, "r");
    char text[BOOK_TOKEN_LENGTH + 1];
    EXPECT_EQ(seek_book_position(f, start, text), BOOK_KEY_LENGTH + BOOK_RECORD_LENGTH);
    std::fclose(f);
}

TEST_F(BookProbe, ARankThatDoesNotExistFailsTheWholeProbe) {
    uint32_t start = key_after("");
    book_setup_position(START_FEN);
    // The 30th move of a position with 20.
    write_file(BOOK_FILE_NAME,
               token(start, rec(RANK_E4, '~', 1, 50, 4, 3, 0, 1) + rec('A' + 29, '~', 1, 50, 4, 3, 0, 1)));
    EXPECT_EQ(probe_book(), 0u);
    EXPECT_EQ(book.book_miss_count, 1);
    // The 20th exists; the 21st does not.
    write_file(BOOK_FILE_NAME, token(start, rec('A' + 19, '~', 1, 50, 4, 3, 0, 1)));
    EXPECT_EQ(probe_book(), code(H2, H4, MOVE_DOUBLE_STEP));
    write_file(BOOK_FILE_NAME, token(start, rec('A' + 20, '~', 1, 50, 4, 3, 0, 1)));
    EXPECT_EQ(probe_book(), 0u);
    // The letter for the other side names no move.
    write_file(BOOK_FILE_NAME, token(start, rec(BOOK_NO_MOVE_LETTER, RANK_E5, 1, 50, 4, 3, 0, 1)));
    EXPECT_EQ(probe_book(), 0u);
    // A damaged number.
    write_file(BOOK_FILE_NAME, token(start, "NA0001320000400003000000000Z"));
    EXPECT_EQ(probe_book(), 0u);
    EXPECT_EQ(book.book_miss_count, 3);  // the h2h4 hit in between reset the count
}

TEST_F(BookProbe, OnlyPoorMovesGiveNoBookMove) {
    uint32_t start = key_after("");
    book_setup_position(START_FEN);
    // Three records that never won: 0.003 in all, below 0.01.
    write_file(BOOK_FILE_NAME,
               token(start, rec(RANK_E4, '~', 50, 50, 9, 0, 9, 0) + rec(RANK_D4, '~', 50, 50, 9, 0, 5, 4) +
                                rec(RANK_NF3, '~', 50, 50, 9, 0, 0, 9)));
    EXPECT_EQ(probe_book(), 0u);
    EXPECT_EQ(book.book_miss_count, 1);
    EXPECT_EQ(book.book_in_use, 1);
    // A position token without records is a miss too.
    write_file(BOOK_FILE_NAME, token(start, ""));
    EXPECT_EQ(probe_book(), 0u);
    EXPECT_EQ(book.book_miss_count, 2);
}

TEST_F(BookProbe, AtMostSeventeenRecordsAreRead) {
    uint32_t start = key_after("");
    book_setup_position(START_FEN);
    std::string records;
    for (int i = 0; i < BOOK_MAX_RECORDS; i++) records += rec(RANK_E4, '~', 1, 50, 4, 3, 0, 1);
    // An 18th record naming no move, and a stray tail, are never looked at.
    write_file(BOOK_FILE_NAME, token(start, records + rec('A' + 40, '~', 1, 50, 4, 3, 0, 1) + "XYZ"));
    EXPECT_EQ(probe_book(), code(E2, E4, MOVE_DOUBLE_STEP));
    EXPECT_EQ(book.book_miss_count, 0);
    // Fewer than 28 characters after the key hold no record.
    write_file(BOOK_FILE_NAME, token(start, rec(RANK_E4, '~', 1, 50, 4, 3, 0, 1).substr(0, 27)));
    EXPECT_EQ(probe_book(), 0u);
}

}  // namespace
