// Building a book from games: replay each game with the engine's own move
// generator, count per position and move how often it was played, won,
// drawn and lost by the mover, and write the well-played moves in the book's
// text format.
//
// Engine games usually start from opening lines the players were given (a
// match runner marks the end of such a line with a comment "{book}"). Those
// moves were not chosen by the players, so the games' results say nothing
// about them, and the two games of a pair play the same line: a given line
// counts once, however many games played it, each of its moves as two games,
// one won and one lost (an even score). Moves the players chose count once
// per game with the game's result.
#pragma once

#include <cstdint>
#include <istream>
#include <map>
#include <ostream>
#include <set>
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
    std::set<std::string> given_lines;  // opening lines already counted (start FEN and moves)
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

// Reads every game of a PGN text and adds it; for each malformed game calls
// warn(game, reason). Returns the games read. Any input ends.
template <typename Warn>
int add_book_pgn(BookBuilder& builder, std::istream& in, Warn warn) {
    PgnReader reader;
    open_pgn(reader, in);
    PgnGame game;
    std::string reason;
    int games = 0;
    for (; read_pgn_game(reader, game); games++)
        if (add_book_game(builder, game, reason) == BookGameOutcome::malformed) warn(game, reason);
    return games;
}

struct BookWriteSummary {
    int positions;  // tokens written
    int records;
    int shared_keys;  // positions left out because another one with the same key had more games
    int no_move;      // positions left out because their records could never give a move
};
// Writes the book, sorted by key: per position the moves played at least
// min_games times, the 17 most played of them, each with variants = played.
// A position whose records the probe would never play (only moves that lost
// more often than they won or never won, too few to count) is left out: it
// could only cost a probe.
BookWriteSummary write_book(const BookBuilder& builder, std::ostream& out);
