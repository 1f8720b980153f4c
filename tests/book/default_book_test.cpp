// The book that ships with the engine: well-formed, sorted, and readable by
// this engine (its keys and move ranks still name legal moves). A change of
// the key table or of the picker's order fails here: rebuild the book then.
#include <cstring>
#include <set>

#include "board/makemove.h"
#include "board/notation.h"
#include "book/book.h"
#include "book/san.h"
#include "book_fixture.h"
#include "search/ordering.h"

namespace {

const std::string BOOK_PATH = std::string(JUX_SOURCE_DIR) + "/" + BOOK_FILE_NAME;

TEST(DefaultBook, TokensAreSortedAndWellFormed) {
    std::ifstream in(BOOK_PATH);
    ASSERT_TRUE(in) << BOOK_PATH;
    std::string token;
    int64_t previous = -1;
    int tokens = 0;
    while (in >> token) {
        tokens++;
        ASSERT_GE(token.size(), size_t(BOOK_KEY_LENGTH + BOOK_RECORD_LENGTH)) << token;
        ASSERT_LE(token.size(), size_t(BOOK_TOKEN_LENGTH)) << token;
        ASSERT_EQ((token.size() - BOOK_KEY_LENGTH) % BOOK_RECORD_LENGTH, 0u) << token;
        int64_t key = std::stoll(token.substr(0, BOOK_KEY_LENGTH), nullptr, 16);
        ASSERT_GT(key, previous) << "not sorted at " << token;
        previous = key;
        for (size_t i = BOOK_KEY_LENGTH; i < token.size(); i += BOOK_RECORD_LENGTH) {
            BookRecord r;
            ASSERT_TRUE(parse_book_record(token.c_str() + i, r)) << token;
            // Each record serves one side; the other letter names no move.
            EXPECT_TRUE((r.white_letter == BOOK_NO_MOVE_LETTER) != (r.black_letter == BOOK_NO_MOVE_LETTER))
                << token;
            EXPECT_EQ(r.played, r.won + r.draw + r.lost) << token;
            EXPECT_GE(r.played, 2u) << token;
        }
    }
    EXPECT_GT(tokens, 1000);
}

// Follows every book move from the start for a few plies: each must be legal.
void walk(int side, int ep_square, int depth, std::set<uint32_t>& found, int& moves_followed) {
    std::FILE* file = std::fopen(BOOK_PATH.c_str(), "r");
    ASSERT_NE(file, nullptr);
    char token[BOOK_TOKEN_LENGTH + 1];
    int length = seek_book_position(file, pos.hash_key_high, token);
    std::fclose(file);
    if (length < 0) return;
    found.insert(pos.hash_key_high);
    if (depth == 0) return;
    const std::string records(token + BOOK_KEY_LENGTH, length - BOOK_KEY_LENGTH);
    for (size_t i = 0; i < records.size(); i += BOOK_RECORD_LENGTH) {
        BookRecord r;
        ASSERT_TRUE(parse_book_record(records.c_str() + i, r));
        int rank = book_record_rank(r, side);
        if (rank < 0) continue;  // a record for the other side to move
        std::memset(ordering.history_score, 0, sizeof ordering.history_score);
        Move move = book_move_at_rank(side, ep_square, rank);
        ASSERT_NE(move, 0u) << "rank " << rank << " names no move at depth " << depth;
        ASSERT_TRUE(move_is_legal(move, side)) << format_move(move, side);
        moves_followed++;
        SavedState saved = save_state();
        int ep = make_move(move, side, BOOK_PICKER_PLY);
        walk(side ^ 1, ep, depth - 1, found, moves_followed);
        unmake_move(move, side);
        restore_state(saved);
    }
}

TEST(DefaultBook, BookMovesFromTheStartAreLegal) {
    book_setup_position(START_FEN);
    std::set<uint32_t> found;
    int moves_followed = 0;
    walk(WHITE, 0, 5, found, moves_followed);
    // 1521 moves lead to 908 book positions: a wrong rank would lead off the book.
    EXPECT_GT(moves_followed, 1000);
    EXPECT_GT(found.size(), 600u);

    // The most played first move heads the start position's records.
    std::FILE* file = std::fopen(BOOK_PATH.c_str(), "r");
    char token[BOOK_TOKEN_LENGTH + 1];
    book_setup_position(START_FEN);
    ASSERT_GT(seek_book_position(file, pos.hash_key_high, token), 0);
    std::fclose(file);
    BookRecord first;
    ASSERT_TRUE(parse_book_record(token + BOOK_KEY_LENGTH, first));
    std::memset(ordering.history_score, 0, sizeof ordering.history_score);
    Move m = book_move_at_rank(WHITE, 0, book_record_rank(first, WHITE));
    EXPECT_STREQ(format_move(m, WHITE), "e2e4");
}

}  // namespace
