// Probing "jux.book": ratings and weights, searchmoves, the misses, the move ranks and their legality.
#include <algorithm>
#include <cmath>
#include <set>

#include "board/makemove.h"
#include "book_fixture.h"
#include "data_rows.h"
#include "search/ordering.h"

namespace {

// Ranks are places in the text order of the moves: a2a3 a2a4 b1a3 ... g1f3 from the start.
constexpr char RANK_E4 = 'A' + 11, RANK_D4 = 'A' + 9, RANK_NF3 = 'A' + 14, RANK_A4 = 'A' + 1,
               RANK_E5 = 'A' + 10;
const Move E2E4 = make_move_code(E2, E4, MOVE_DOUBLE_STEP);
const std::string E4_RECORD = rec(RANK_E4, '-', 1, 50, 4, 3, 0, 1);

using BookProbe = BookTest;

TEST_F(BookProbe, WorkedRatingsAndWeights) {
    const struct {
        std::string record;
        int play, tplay;
        double weight;
    } rows[] = {
        // pct (8 + 2) x 100 / 16 = 62; play (310 + 50) / 6; tplay (180 + 50) / 4
        {rec('A', 'B', 16, 50, 16, 8, 4, 4), 60, 57, 5 * std::exp(0.1 * 57)},
        {rec('A', 'B', 0, 40, 0, 0, 0, 0), 48, 46, 0.001},  // no games: pct 50; never won: a last resort
        // 99 variants: trunc(sqrt(99) + 1) = 10 times the weight of none.
        {rec('A', 'B', 0, 0xFF, 7, 3, 1, 3), 90, 131, std::exp(0.1 * 131)},
        {rec('A', 'B', 99, 0xFF, 7, 3, 1, 3), 90, 131, 10 * std::exp(0.1 * 131)},
    };
    for (const auto& row : rows) {
        BookRecord r{};
        ASSERT_TRUE(parse_book_record(row.record.c_str(), r)) << row.record;
        EXPECT_EQ(book_play_rating(r), row.play) << row.record;
        EXPECT_EQ(book_tplay_rating(r), row.tplay) << row.record;
        EXPECT_DOUBLE_EQ(book_weight(r), row.weight) << row.record;
    }
    BookRecord r{};
    EXPECT_FALSE(parse_book_record("AB00103200010000080000400G04", r));
    char text[BOOK_RECORD_LENGTH + 1] = {};  // numbers too wide for their fields are clamped
    format_book_record(BookRecord{'A', 'B', 70000, 300, 2000000, 1, 2, 3}, text);
    EXPECT_STREQ(text, "ABFFFFFFFFFFF000010000200003");
}

TEST_F(BookProbe, ChoiceFollowsTheSearchmovesList) {
    write_file(BOOK_FILE_NAME,
               token(key_after(""),
                     rec(RANK_E4, '-', 16, 50, 16, 8, 4, 4) + rec(RANK_D4, '-', 9, 50, 9, 3, 3, 3) +
                         rec(RANK_NF3, '-', 4, 50, 4, 1, 2, 1) + rec(RANK_A4, '-', 30, 50, 30, 0, 30, 0)));
    // "searchmoves" leaves the moves it names as whole words; a poor move alone is a miss ("none").
    const std::pair<const char*, const char*> rows[] = {
        {"", "d2d4 e2e4 g1f3"}, {"g1f3 a2a3", "g1f3"}, {"\te2e4  d2d4 ", "d2d4 e2e4"},
        {"a2a3 h2h3", "none"},  {"a2a4", "none"},      {"e2e", "none"}};
    for (const auto& [search_moves, allowed] : rows) {
        std::snprintf(limits.search_moves_text, sizeof limits.search_moves_text, "%s", search_moves);
        std::set<std::string> seen_moves;
        for (int i = 0; i < 300; i++) {
            book = BookState{1, 0};
            const Move m = probe_book();
            seen_moves.insert(m ? format_move(m, WHITE) : "none");
        }
        std::string text;
        for (const std::string& m : seen_moves) text += (text.empty() ? "" : " ") + m;
        EXPECT_EQ(text, allowed) << search_moves;
    }
    limits.search_moves_text[0] = 0;
}

TEST_F(BookProbe, MissesAndWhatSwitchesTheBookOff) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(probe_book(), 0u);  // no file yet
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "silently";
    EXPECT_EQ(std::make_pair(book.book_miss_count, book.book_in_use), std::make_pair(1, 0));
    write_file(BOOK_FILE_NAME, token(key_after("e2e4"), rec('-', RANK_E5, 1, 50, 4, 3, 0, 1)));
    book_setup_position(START_FEN);
    book = BookState{1, 0};
    for (int i = 1; i <= 6; i++) {
        EXPECT_EQ(probe_book(), 0u);
        EXPECT_EQ(std::make_pair(book.book_miss_count, book.book_in_use), std::make_pair(i, i < 6 ? 1 : 0));
    }
    book = BookState{1, 0};  // a new game; then a hit resets the count
    probe_book();
    book_setup_position(START_FEN, "e2e4");
    EXPECT_EQ(probe_book(), make_move_code(E7, E5, MOVE_DOUBLE_STEP));
    EXPECT_EQ(std::make_pair(book.book_miss_count, book.book_in_use), std::make_pair(0, 1));
}

TEST_F(BookProbe, RecordsThatNameNoMoveHereOrOnlyPoorMovesFailTheProbe) {
    int misses = 0;  // a hit resets the count
    for (const auto& row : data_rows("book/data/start_records.txt")) {
        write_file(BOOK_FILE_NAME, token(key_after(""), row[0]));
        book.book_in_use = 1;
        const Move move = probe_book();
        EXPECT_EQ(move ? format_move(move, WHITE) : "-", row[1]) << row[0];
        misses = move ? 0 : misses + 1;
        EXPECT_EQ(book.book_miss_count, misses) << row[0];
    }
    // An 18th record naming no move, and a stray tail, are never read.
    std::string seventeen;
    for (int i = 0; i < BOOK_MAX_RECORDS; i++) seventeen += E4_RECORD;
    write_file(BOOK_FILE_NAME,
               token(key_after(""), seventeen + rec('A' + 40, '-', 1, 50, 4, 3, 0, 1) + "XYZ"));
    EXPECT_EQ(probe_book(), E2E4);
}

// Piece lists in other orders than a FEN gives, and a picker left by a search, keep the ranks.
TEST_F(BookProbe, RanksFollowTheTextOrderWhateverThePickerOrThePieceListsHold) {
    const std::pair<const char*, const char*> rows[] = {
        {"e2e4 d7d5 e4d5 d8d5 b1c3 d5a5 d2d4 c7c6 g1f3 g8f6 f1c4 c8f5 e1g1 e7e6",
         "rn2kb1r/pp3ppp/2p1pn2/q4b2/2BP4/2N2N2/PPP2PPP/R1BQ1RK1 w kq - 0 8"},
        {"g1f3 d7d5 g2g3 c8g4 f1g2 g4f3 g2f3 e7e5 e1g1 b8c6 b2b4 f8b4 c2c3 b4c3 d2c3 g8f6",
         "r2qk2r/ppp2ppp/2n2n2/3pp3/8/2P2BP1/P3PP1P/RNBQ1RK1 w kq - 1 9"},
        {"a2a4 b7b5 a4b5 a7a6 b5a6 c8b7 a6b7 g8f6 b7a8q e7e6",
         "Qn1qkb1r/2pp1ppp/4pn2/8/8/8/1PPPPPPP/RNBQKBNR w KQk - 0 6"},
    };
    for (const auto& [moves, fen] : rows) {
        Move by_moves[BOOK_ORDER_SIZE], by_fen[BOOK_ORDER_SIZE];
        book_setup_position(START_FEN, moves);
        const uint32_t key = pos.hash_key_high;
        const int n = book_move_order(pos.side_to_move, pos.ep_square, by_moves);
        book_setup_position(fen);
        ASSERT_EQ(pos.hash_key_high, key) << fen;
        ordering.picker_stage[TRIAL_MOVE_PLY] = PICK_REMAINING;
        ordering.hash_move[TRIAL_MOVE_PLY] = int32_t(by_moves[n - 1]);
        ordering.killer_table[TRIAL_MOVE_PLY] = KillerRecord{3, 1, int32_t(by_moves[n - 2]), 0};
        ordering.history_score[by_moves[n - 3] & 4095] = 5000;
        ASSERT_EQ(book_move_order(pos.side_to_move, pos.ep_square, by_fen), n) << fen;
        EXPECT_TRUE(std::equal(by_fen, by_fen + n, by_moves)) << fen;
    }
}

TEST_F(BookProbe, ARecordNamingAMoveThatIsNotLegalHereFailsTheProbe) {
    // The knight on d2 is pinned by the bishop on b4: d2b3 is generated but not legal.
    book_setup_position("rnbqk2r/pppp1ppp/4pn2/8/1bPP4/8/PP1NPPPP/R1BQKBNR w KQkq - 3 4");
    const uint32_t key = pos.hash_key_high;
    Move order[BOOK_ORDER_SIZE];
    const int count = book_move_order(WHITE, 0, order);
    auto record = [&](Move m) {
        return rec(char('A' + (std::find(order, order + count, m) - order)), '-', 1, 50, 4, 3, 0, 1);
    };
    const Move nf3 = make_move_code(G1, F3, MOVE_QUIET);
    const std::string good = record(nf3), pinned = record(make_move_code(D2, B3, MOVE_QUIET));
    const std::pair<std::string, Move> rows[] = {
        {good, nf3}, {pinned, 0}, {good + pinned, 0}, {pinned + good, 0}};
    for (const auto& [records, expected] : rows) {
        write_file(BOOK_FILE_NAME, token(key, records));
        book = BookState{1, 2};
        EXPECT_EQ(probe_book(), expected) << records;
        EXPECT_EQ(book.book_miss_count, expected ? 0 : 3) << records;
        EXPECT_EQ(std::make_tuple(pos.hash_key_high, pos.game_ply, pos.board_piece[D2]),
                  std::make_tuple(key, 8, KNIGHT));
    }
}

}  // namespace
