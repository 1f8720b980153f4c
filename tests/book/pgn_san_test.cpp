// Reading PGN games (damaged text ends in games with errors, never a hang) and SAN moves.

#include "book/pgn.h"
#include "book/san.h"
#include "book_fixture.h"
#include "data_rows.h"

namespace {

// Each game as "line:moves|result|book plies|error".
std::string read_all(const std::string& text) {
    std::istringstream in(text);
    PgnReader reader;
    open_pgn(reader, in);
    PgnGame game;
    std::string out;
    for (int games = 0; read_pgn_game(reader, game) && games < 100; games++) {
        out += std::to_string(game.line) + ":";
        for (size_t i = 0; i < game.moves.size(); i++) out += (i ? " " : "") + game.moves[i];
        out += "|" + game.result + "|" + std::to_string(game.book_plies) + "|" + game.error + "\n";
    }
    return out;
}

TEST(Pgn, GamesAndDamagedTextComeBackAsGamesWithErrors) {
    const std::pair<std::string, std::string> rows[] = {
        {"[Event \"a\"]\n\n1. d4 d5 2. c4 {book} 2... e6 {+0.31/9 20ms} 3. Nc3 (3. Nf3 {x}) $1 1-0\n",
         "1:d4 d5 c4 e6 Nc3|1-0|3|\n"},
        // The last "{book}" counts; one inside a variation does not.
        {"1. e4 {book} e5 {book} 2. Nf3 (2. Bc4 {book}) Nc6 *", "1:e4 e5 Nf3 Nc6|*|2|\n"},
        // Lone CR line ends; a bare escape line; huge move numbers.
        {"%\r[Event \"a\"]\r\r123456789012345678901234567890. e4 e5 0-1\r[Event \"b\"]\r1... e5 1/2-1/2",
         "2:e4 e5|0-1|0|\n5:e5|1/2-1/2|0|\n"},
        {"1. e4 } e5 1-0", "1:e4 e5|1-0|0|unbalanced '}'\n"},
        {std::string("1. e4\0 e5 1-0", 13), "1:e4 e5|1-0|0|control byte 0x00\n"},
        {"1. e4 e5\x01\x02 2. Nf3 1-0", "1:e4 e5 Nf3|1-0|0|control byte 0x01\n"},
        // A comment or variation that never closes ends at the next game.
        {"[Event \"a\"]\n1. e4 {open\n[Event \"b\"]\n1. d4 1-0", "1:e4||0|unclosed comment\n3:d4|1-0|0|\n"},
        {"[Event \"a\"]\n1. e4 ((((\n[Event \"b\"]\n1. d4 1-0", "1:e4||0|unclosed variation\n3:d4|1-0|0|\n"},
        {"1. e4 {endless", "1:e4||0|unclosed comment\n"},
        {"))))", "1:||0|unbalanced ')'\n"},
        {"[Event \"a]\n1. e4 1-0", "1:e4|1-0|0|malformed tag: [Event \"a]\n"},
        {"1. e4 " + std::string(70000, 'x') + "\n2. d4 1-0",
         "1:e4 " + std::string(65530, 'x') + " d4|1-0|0|line longer than 65536 bytes\n"},
        {"", ""},
        {"{only a comment}\n", ""},
    };
    for (const auto& [input, expected] : rows) EXPECT_EQ(read_all(input), expected) << input.substr(0, 80);
}

TEST(San, ReadsTheOneLegalMoveTheTextNames) {
    for (const auto& row : data_rows("book/data/san.txt")) {
        book_setup_position(row[0] == "startpos" ? START_FEN : row[0].c_str());
        Move m = 0;
        const bool found = find_move_by_san(pos.side_to_move, row[1].c_str(), m, pos.ep_square);
        EXPECT_EQ(found ? format_move(m, pos.side_to_move) : "-", row[2]) << row[0] << " " << row[1];
    }
}

}  // namespace
