// The opening book "jux.book": a weighted random choice among stored moves.
//
// The file is text: white-space separated tokens sorted by ascending key, one
// per position. A token is the position's hash_key_high as 8 upper-case hex
// digits followed by up to 17 move records of 28 characters each:
//   0     letter for white to move: 'A' + the move's rank in the picker order
//   1     the same for black to move
//   2-5   variants (hex), a count that weights the choice
//   6-7   book (hex, 0..255), a value mixed into both ratings
//   8-12  played, 13-17 won, 18-22 draw, 23-27 lost (hex), the mover's games
//
// Moves are stored as their rank in the position's canonical move order: its
// pseudo-legal moves sorted by their coordinate text (a2a3 < a2a4 < b1a3 ...,
// castling as the king's move, promotions by their letter). The order
// depends on the position alone, never on piece-list slots (which differ
// between a FEN set-up and the same position reached by moves) or on what a
// search left in the move picker. A probe plays a record's move only when it
// is legal.
#pragma once

#include <cstdint>
#include <cstdio>

#include "board/types.h"

struct BookState {
    int32_t book_in_use;
    int32_t book_miss_count;  // probes in a row without a book move
};
extern BookState book;

// The book move for the current position, 0 when the book gives none. The
// book is BOOK_FILE_NAME in the current directory, else the installed one.
Move probe_book();
// The same with the book file named by path (tools measure other books).
Move probe_book_file(const char* path);

inline constexpr const char* BOOK_FILE_NAME = "jux.book";
// The book installed with the engine, for a current directory without
// BOOK_FILE_NAME: in the data directory of the installation the running
// program belongs to. Empty when the program's path cannot be read.
const char* installed_book_path();
inline constexpr int BOOK_KEY_LENGTH = 8;
inline constexpr int BOOK_RECORD_LENGTH = 28;
inline constexpr int BOOK_MAX_RECORDS = 17;
inline constexpr int BOOK_TOKEN_LENGTH = BOOK_KEY_LENGTH + BOOK_MAX_RECORDS * BOOK_RECORD_LENGTH;
inline constexpr int BOOK_MISS_LIMIT = 6;
// Letters stay printable: the highest rank a record can name is '~' - 'A'.
inline constexpr int BOOK_MAX_RANK = '~' - 'A';
// The letter a writer puts in for the side a record is not meant for: it
// names no move, so a probe for that side fails instead of playing a
// stranger's move.
inline constexpr char BOOK_NO_MOVE_LETTER = '-';

struct BookRecord {
    char white_letter;
    char black_letter;
    uint32_t variants;
    uint32_t book_value;
    uint32_t played;
    uint32_t won;
    uint32_t draw;
    uint32_t lost;
};

// Reads the next position token whose key is hash_key_high, stopping at the
// first greater key (the file is sorted). On a hit writes at most
// BOOK_TOKEN_LENGTH characters (longer tokens are cut to 17 records) and a
// terminator into token and returns the length; returns -1 on a miss.
int seek_book_position(std::FILE* file, uint32_t key, char* token);

// Parses the 28 characters at text; false when a number field holds a
// character that is not a hexadecimal digit.
bool parse_book_record(const char* text, BookRecord& out);
// Writes the 28 characters of a record (no terminator). Numbers too wide for
// their field are clamped to its largest value.
void format_book_record(const BookRecord& record, char* out);

// The rank the record names for side; negative when the letter names none.
int book_record_rank(const BookRecord& record, int side);
// pct of the mover's score (50 for no games), then the two ratings.
int book_play_rating(const BookRecord& record);
int book_tplay_rating(const BookRecord& record);
// The weight of the record in the random choice.
double book_weight(const BookRecord& record);
// Below this total weight a position's records are all poor (0.001 each, and
// fewer than ten): the probe plays none of them.
inline constexpr double BOOK_MIN_TOTAL_WEIGHT = 0.01;

// All pseudo-legal moves of side in the canonical order; returns their count.
// Generates into the root move list; out needs room for BOOK_ORDER_SIZE moves.
inline constexpr int BOOK_ORDER_SIZE = 256;
int book_move_order(int side, int ep_square, Move* out);
// The move of the given rank (counting from 0) in the canonical order, 0 when
// the position has no such rank.
Move book_move_at_rank(int side, int ep_square, int rank);
// Whether the "searchmoves" list of the coming search names move (true when
// there is no list).
bool book_move_allowed(Move move, int side);
