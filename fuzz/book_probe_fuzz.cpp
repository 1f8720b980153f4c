// Any bytes as the book file, probed in a position the first byte chooses: a move it returns must be legal.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "book/san.h"
#include "core/options.h"
#include "fuzz_support.h"
#include "search/random.h"

namespace {

// Both colours to move, castling and en-passant rights, and a check where most moves are not legal.
constexpr const char* POSITIONS[] = {"",
                                     "e2e4",
                                     "d2d4 d7d5",
                                     "e2e4 c7c5 g1f3",
                                     "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6",
                                     "e2e4 e7e6 d2d4 d7d5 e4e5 c7c5",
                                     "e2e4 d7d5 f1b5"};

void set_position(const char* moves) {
    set_position_from_fen(START_FEN);
    char words[128];
    std::snprintf(words, sizeof words, "%s", moves);
    for (char* word = std::strtok(words, " "); word; word = std::strtok(nullptr, " ")) enter_game_move(word);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    start_engine();
    set_position(POSITIONS[data[0] % (sizeof POSITIONS / sizeof POSITIONS[0])]);
    write_file(scratch_book_path(), data + 1, size - 1);
    options.own_book = 1;
    limits.time_mode = TIME_CLOCK_INCREMENT;
    limits.max_depth = 99;
    book.book_in_use = 1;
    book.book_miss_count = 0;
    seed_random(1);  // the choice among several records draws a random number
    const Move move = probe_book_file(scratch_book_path().c_str());
    if (move == 0) return 0;
    // A move of the generator's list for the side to move that does not leave its king attacked.
    const std::string text = format_move(move, pos.side_to_move);  // the lookup reuses format_move's buffer
    Move listed = 0;
    require(find_move_by_text(pos.side_to_move, text.c_str(), listed, pos.ep_square) && listed == move &&
                move_is_legal(move, pos.side_to_move),
            "the probe returned a move that is not legal here", text);
    return 0;
}
