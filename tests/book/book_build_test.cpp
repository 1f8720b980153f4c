// Building a book from games with juxtool: the keys, records and counts of small game files worked out
// by hand, probes of the built book, positions that share a key, and broken input.
#include <cstdlib>
#include <map>

#include "book_fixture.h"

namespace {

// A builder that never ends is stopped after 20 s.
int juxtool(const std::string& arguments) {
    return std::system((std::string("timeout 20 ") + JUXTOOL_BINARY + " " + arguments).c_str());
}
std::string data_file(const char* name) {
    return read_file(std::string(JUX_SOURCE_DIR) + "/tests/book/data/" + name);
}
// Book text from {moves to the position, its records}, sorted by key.
std::string sorted_book(const std::vector<std::pair<const char*, const char*>>& positions) {
    std::map<uint32_t, std::string> sorted;
    for (const auto& [moves, records] : positions)
        sorted[key_after(moves)] = token(key_after(moves), records);
    std::string text;
    for (const auto& [key, line] : sorted) text += line;
    return text;
}

using BookBuild = BookTest;

// Games one to four and the last count. 1. e4 (rank 11) four times: won 2, lost 1, drawn 1. 2. Nf3
// (rank 23 of white's 29 moves after 1. e4 e5) three times: won 2, drawn 0, lost 1. Moves played once
// stay out; 1... e5 and 2... Nc6 lost more often than they won.
TEST_F(BookBuild, JuxtoolBuildsTheHandCountedBookAndSkipsMalformedGamesWithAWarning) {
    write_file("games.pgn", data_file("small.pgn"));
    EXPECT_NE(juxtool("book build jux.book games.pgn missing.pgn >stdout.txt 2>stderr.txt"), 0);
    EXPECT_EQ(read_file("jux.book"), sorted_book({{"", "L-00046400004000020000100001"},
                                                  {"e2e4 e7e5", "X-00036400003000020000000001"}}));
    const std::string err = read_file("stderr.txt");
    for (const char* warning :
         {"games.pgn: game 6 (line 26) skipped: illegal or ambiguous move \"Ke3\" at ply 3",
          "games.pgn: game 7 (line 31) skipped: unclosed comment",
          "games.pgn: game 9 (line 41) skipped: unbalanced ')'", "cannot read missing.pgn"})
        EXPECT_NE(err.find(warning), std::string::npos) << err;
    EXPECT_EQ(read_file("stdout.txt"),
              "games: 9 read, 5 used, 1 without result, 3 malformed\nbook: 2 positions, 2 moves written to "
              "jux.book "
              "(positions left out: 0 sharing a key, 2 without a move worth playing)\n");
    const std::pair<const char*, Move> probes[] = {{"", make_move_code(E2, E4, MOVE_DOUBLE_STEP)},
                                                   {"e2e4", 0},
                                                   {"e2e4 e7e5", make_move_code(G1, F3, MOVE_QUIET)},
                                                   {"e2e4 e7e5 g1f3", 0},
                                                   {"d2d4", 0}};
    for (const auto& [moves, expected] : probes) {
        book_setup_position(START_FEN, moves);
        EXPECT_EQ(probe_book(), expected) << moves;
    }
    ASSERT_EQ(juxtool("book probe jux.book >probe.txt"), 0);
    EXPECT_NE(
        read_file("probe.txt")
            .find("e2e4     11        4  100      4      2      1      1   79    84   13341.2002 100.0%"),
        std::string::npos)
        << read_file("probe.txt");
    ASSERT_EQ(
        juxtool("book build --plies 1 --min-games 3 --book-value 80 fixed.book games.pgn >/dev/null 2>&1"),
        0);
    EXPECT_EQ(read_file("fixed.book"), token(key_after(""), "L-00045000004000020000100001"));
    EXPECT_NE(juxtool("book build --book-value 256 x.book games.pgn 2>/dev/null"), 0);
}

// Lines given by "{book}" count once, as two games, one won and one lost, whatever the results; the
// players' own moves count per game. Ranks: 1. d4 9; 1... d5 8, Nf6 16; 2. c4 13; 2... e6 18.
TEST_F(BookBuild, AGivenOpeningLineCountsOnceWithAnEvenScore) {
    write_file("games.pgn", data_file("given_lines.pgn"));
    ASSERT_EQ(juxtool("book build jux.book games.pgn >stdout.txt"), 0);
    EXPECT_EQ(read_file("jux.book"),
              sorted_book({{"", "J-00046400004000020000000002"},
                           {"d2d4", "-I00026400002000010000000001-Q00026400002000010000000001"},
                           {"d2d4 d7d5", "N-00026400002000010000000001"},
                           {"d2d4 d7d5 c2c4", "-S00026400002000010000100000"}}));
    EXPECT_EQ(read_file("stdout.txt"),
              "games: 4 read, 4 used, 0 without result, 0 malformed\nbook: 4 positions, 5 moves written to "
              "jux.book "
              "(positions left out: 0 sharing a key, 0 without a move worth playing)\n");
}

TEST_F(BookBuild, PositionsSharingAKeyKeepTheOneWithMoreGames) {
    // With and without castling rights: one key, two move lists.
    const char* with_rights = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    std::string pgn;
    const char* without = "r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1";
    for (const char* fen : {with_rights, with_rights, with_rights, without, without})
        pgn += std::string("[FEN \"") + fen + "\"]\n[Result \"1-0\"]\n1. Ra2 1-0\n";
    write_file("games.pgn", pgn);
    ASSERT_EQ(juxtool("book build jux.book games.pgn >stdout.txt"), 0);
    EXPECT_NE(read_file("stdout.txt")
                  .find("book: 1 positions, 1 moves written to jux.book (positions left out: 1 sharing"),
              std::string::npos);
    book_setup_position(with_rights);
    EXPECT_EQ(probe_book(), make_move_code(A1, A2, MOVE_QUIET));
}

TEST_F(BookBuild, BrokenInputEndsWithAResultAndAWarning) {
    const std::pair<std::string, const char*> rows[] = {
        {"1. e4 } e5 1-0", "game 1 (line 1) skipped: unbalanced '}'"},
        {std::string("1. e4 e5\0 2. Nf3 1-0", 19), "game 1 (line 1) skipped: control byte 0x00"},
        {"1. e4 " + std::string(70000, 'x') + "\n2. d4 1-0",
         "game 1 (line 1) skipped: line longer than 65536 bytes"},
    };
    for (const auto& [input, warning] : rows) {
        write_file("games.pgn", input);
        EXPECT_EQ(juxtool("book build x.book games.pgn >stdout.txt 2>stderr.txt"), 0);
        EXPECT_NE(read_file("stderr.txt").find(std::string("games.pgn: ") + warning), std::string::npos)
            << read_file("stderr.txt");
        EXPECT_EQ(read_file("stdout.txt").rfind("games: ", 0), 0u) << input.substr(0, 20);
    }
}

}  // namespace
