// Reading game files in Portable Game Notation: tag pairs, the main line's
// moves as text, and the result. Comments, variations, numeric annotation
// glyphs, move numbers and escape lines are read past. Any byte sequence is
// read to its end: what cannot be a game comes back as a game with its error
// set. A fuzzer or a test can read from memory through std::istringstream.
#pragma once

#include <istream>
#include <string>
#include <vector>

struct PgnTag {
    std::string name;
    std::string value;
};

struct PgnGame {
    int number;  // counted from 1 in its file
    int line;    // line of the file where the game begins
    std::vector<PgnTag> tags;
    std::vector<std::string> moves;  // main line, as written (SAN)
    // Main-line moves before the last comment "{book}": the opening line the
    // players were given (match runners mark its end so), 0 when none.
    int book_plies;
    std::string result;  // the movetext's termination, empty when it has none
    std::string error;   // why the game's text is malformed, empty when it is not
};

// Longer lines make the game they belong to malformed; the rest of such a
// line is read past without being kept.
inline constexpr size_t PGN_LINE_LIMIT = 1 << 16;

struct PgnReader {
    std::istream* in;
    int line_number;
    int games_read;
    std::string pending;  // rest of a line that belongs to the next game
    bool has_pending;
    bool line_cut;  // the last line read was longer than PGN_LINE_LIMIT
};

void open_pgn(PgnReader& reader, std::istream& in);

// Reads the next game; false when the input holds no further game. A game
// whose text is malformed comes back with its error set, and reading goes on
// with the next game.
bool read_pgn_game(PgnReader& reader, PgnGame& game);

// The value of a tag, nullptr when the game has no such tag.
const std::string* pgn_tag(const PgnGame& game, const char* name);

// "1-0", "0-1" or "1/2-1/2" and "*" (unknown).
bool is_pgn_result(const std::string& token);
