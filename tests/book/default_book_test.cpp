// The book that ships with the engine: sorted, of whole records, and read by
// this engine (its keys and move ranks still name legal moves). A change of
// the key table or of the picker's order fails here: rebuild the book then.
#include <cstring>
#include <set>

#include "board/makemove.h"
#include "book/san.h"
#include "book_fixture.h"
#include "search/ordering.h"

namespace {

const std::string BOOK_PATH = std::string(JUX_SOURCE_DIR) + "/" + BOOK_FILE_NAME;

// Follows every book move from the current position for depth plies; each
// must be legal. The first move found from the start goes into first.
void walk(int side, int ep_square, int depth, std::set<uint32_t>& found, int& followed, Move* first) {
    std::FILE* file = std::fopen(BOOK_PATH.c_str(), "r");
    ASSERT_NE(file, nullptr) << BOOK_PATH;
    char token[BOOK_TOKEN_LENGTH + 1];
    const int length = seek_book_position(file, pos.hash_key_high, token);
    std::fclose(file);
    if (length < 0) return;
    found.insert(pos.hash_key_high);
    for (int i = BOOK_KEY_LENGTH; depth > 0 && i < length; i += BOOK_RECORD_LENGTH) {
        BookRecord r;
        ASSERT_TRUE(parse_book_record(token + i, r));
        const int rank = book_record_rank(r, side);
        if (rank < 0) continue;  // a record for the other side to move
        std::memset(ordering.history_score, 0, sizeof ordering.history_score);
        const Move move = book_move_at_rank(side, ep_square, rank);
        ASSERT_NE(move, 0u) << "rank " << rank << " names no move";
        ASSERT_TRUE(move_is_legal(move, side)) << format_move(move, side);
        if (first && *first == 0) *first = move;
        followed++;
        SavedState saved = save_state();
        const int ep = make_move(move, side, BOOK_PICKER_PLY);
        walk(side ^ 1, ep, depth - 1, found, followed, nullptr);
        unmake_move(move, side);
        restore_state(saved);
    }
}

TEST(DefaultBook, IsSortedWellFormedAndNamesLegalMoves) {
    std::ifstream in(BOOK_PATH);
    ASSERT_TRUE(in) << BOOK_PATH;
    int64_t previous = -1;
    int tokens = 0;
    for (std::string token; in >> token; tokens++) {
        ASSERT_GE(token.size(), size_t(BOOK_KEY_LENGTH + BOOK_RECORD_LENGTH)) << token;
        ASSERT_LE(token.size(), size_t(BOOK_TOKEN_LENGTH)) << token;
        ASSERT_EQ((token.size() - BOOK_KEY_LENGTH) % BOOK_RECORD_LENGTH, 0u) << token;
        const int64_t key = std::stoll(token.substr(0, BOOK_KEY_LENGTH), nullptr, 16);
        ASSERT_GT(key, previous) << "not sorted at " << token;
        previous = key;
    }
    EXPECT_GT(tokens, 1000);

    book_setup_position(START_FEN);
    std::set<uint32_t> found;
    int followed = 0;
    Move first = 0;
    walk(WHITE, 0, 5, found, followed, &first);
    // 1521 moves lead to 908 book positions: a wrong rank would lead off the book.
    EXPECT_GT(followed, 1000);
    EXPECT_GT(found.size(), 600u);
    EXPECT_STREQ(format_move(first, WHITE), "e2e4") << "the most played first move heads the records";
}

}  // namespace
