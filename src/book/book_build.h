// Building a book from games: replay each game with the engine's own move
// generator, count per position and move how often it was played, won,
// drawn and lost by the mover, and write the well-played moves in the book's
// text format.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <tuple>

#include "board/types.h"
#include "book/pgn.h"

inline constexpr int BOOK_VALUE_POPULARITY = -1;

struct BookBuildSettings {
    int plies = 24;     // plies counted from the start of each game
    int min_games = 2;  // games a move needs to enter the book
    // The records' book field. BOOK_VALUE_POPULARITY rates each move by how
    // often it was chosen against the position's most played move (100 for
    // that one), which keeps rare moves with a few lucky results from
    // crowding out the main lines; 0..255 gives every record that value.
    int book_value = BOOK_VALUE_POPULARITY;
};

struct BookMoveCount {
    uint32_t played;
    uint32_t won;
    uint32_t draw;
    uint32_t lost;
    int rank;  // in the canonical move order
};

// The key holds neither the side to move nor castling and en-passant rights,
// but ranks depend on all of them through the move list, so positions are
// told apart by side and by their move list.
struct BookPositionId {
    uint32_t key;
    int side;
    uint64_t order_id;  // hash of the move list in the canonical order
    auto operator<=>(const BookPositionId&) const = default;
};

struct BookPositionCount {
    uint32_t games;
    std::map<Move, BookMoveCount> moves;
};

struct BookBuilder {
    BookBuildSettings settings;
    std::map<BookPositionId, BookPositionCount> positions;
    int games_used;
    int games_unfinished;  // no result: nothing to learn from them
    int games_malformed;
};

void start_book_build(BookBuilder& builder, const BookBuildSettings& settings);

enum class BookGameOutcome { used, unfinished, malformed };
// Replays a game and counts its first plies. A malformed game (broken text,
// an unreadable FEN, a move that is not legal) counts nothing; reason says
// what is wrong with it.
BookGameOutcome add_book_game(BookBuilder& builder, const PgnGame& game, std::string& reason);

struct BookWriteSummary {
    int positions;  // tokens written
    int records;
    int shared_keys;  // positions left out because another one with the same key had more games
};
// Writes the book, sorted by key: per position the moves played at least
// min_games times, the 17 most played of them, each with variants = played.
BookWriteSummary write_book(const BookBuilder& builder, std::ostream& out);
