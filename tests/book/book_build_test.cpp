// Building a book from games: the keys, records and counts of a small game
// file worked out by hand, probes of the built book, positions that share a
// key, and the juxtool command with its warnings.
#include <cstdlib>
#include <map>

#include "book_fixture.h"

namespace {

const char* const SMALL_PGN =
    "[Event \"one\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 {main line} Nc6 (2... d6) 1-0\n\n"
    "[Event \"two\"]\n[Result \"0-1\"]\n\n1. e4 e5 2. Nf3 $2 Nf6 0-1\n\n"
    "[Event \"three\"]\n[Result \"1/2-1/2\"]\n\n1.e4 c5 1/2-1/2\n\n"
    "[Event \"four\"]\n[Result \"1-0\"]\n\n1. d4 d5 1-0\n\n"
    "[Event \"unfinished\"]\n[Result \"*\"]\n\n1. e4 e5 *\n\n"
    "[Event \"illegal\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Ke3 Nc6 1-0\n\n"
    "[Event \"broken\"]\n[Result \"1-0\"]\n\n1. e4 { never closed 1-0\n\n"
    "[Event \"after the broken one\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 1-0\n\n"
    "[Event \"stray\"]\n[Result \"1-0\"]\n\n1. e4 ) e5 1-0\n";

// The book of SMALL_PGN, sorted by key; positions whose moves all lost more
// often than they won are left out. Counted games: one, two, three, four
// and the last one. From the start e4 (rank 11 in the text order) was played
// four times: won in one and the last, lost in two, drawn in three. 1... e5
// (rank 10 for black) three times, won only in two. 2. Nf3 three times, won
// in one and the last: after 1. e4 e5 white's 29 moves begin a2a3 a2a4 b1a3
// b1c3 b2b3 b2b4 c2c3 c2c4 d1e2 d1f3 d1g4 d1h5 d2d3 d2d4 e1e2 f1a6 f1b5 f1c4
// f1d3 f1e2 f2f3 f2f4 g1e2 g1f3, so Nf3 has rank 23. 2... Nc6 twice, lost
// both: rank 5 (a7a5 a7a6 b7b5 b7b6 b8a6 b8c6). Moves played once stay out.
// 1... e5 and 2... Nc6 lost more often than they won: those positions are
// left out.
const std::pair<const char*, const char*> SMALL_BOOK[] = {
    {"", "L-00046400004000020000100001"},
    {"e2e4 e7e5", "X-00036400003000020000000001"},
};

// Games from given opening lines, ended by "{book}" as a match runner writes
// them. Line d4 d5 c4 is played by three games and counts once, line d4 Nf6
// once: as two games each, one won and one lost, whatever the results. The
// moves the players chose count per game: 2... e6 won one (0-1) and drew one.
// Ranks: 1. d4 9; 1... d5 8 and Nf6 16 (a7a5 a7a6 b7b5 b7b6 b8a6 b8c6 c7c5
// c7c6 d7d5 d7d6 e7e5 e7e6 f7f5 f7f6 g7g5 g7g6 g8f6); 2. c4 13 (a2a3 a2a4 b1a3
// b1c3 b1d2 b2b3 b2b4 c1d2 c1e3 c1f4 c1g5 c1h6 c2c3 c2c4); 2... e6 18 (a7a5
// a7a6 b7b5 b7b6 b8a6 b8c6 b8d7 c7c5 c7c6 c8d7 c8e6 c8f5 c8g4 c8h3 d5c4 d8d6
// d8d7 e7e5 e7e6).
const char* const GIVEN_LINES_PGN =
    "[Result \"0-1\"]\n1. d4 d5 2. c4 {book} 2... e6 {-0.31/9 20ms} 3. Nc3 0-1\n\n"
    "[Result \"1/2-1/2\"]\n1. d4 d5 2. c4 {book} e6 3. Nf3 1/2-1/2\n\n"
    "[Result \"1/2-1/2\"]\n1. d4 Nf6 {book} 2. c4 e6 1/2-1/2\n\n"
    "[Result \"1-0\"]\n1. d4 d5 2. c4 {book} c6 1-0\n";
const std::pair<const char*, const char*> GIVEN_LINES_BOOK[] = {
    {"", "J-00046400004000020000000002"},
    {"d2d4", "-I00026400002000010000000001-Q00026400002000010000000001"},
    {"d2d4 d7d5", "N-00026400002000010000000001"},
    {"d2d4 d7d5 c2c4", "-S00026400002000010000100000"},
};

template <size_t N>
std::string sorted_book(const std::pair<const char*, const char*> (&positions)[N]) {
    std::map<uint32_t, std::string> sorted;
    for (const auto& [moves, records] : positions)
        sorted[key_after(moves)] = token(key_after(moves), records);
    std::string text;
    for (const auto& [key, line] : sorted) text += line;
    return text;
}

using BookBuild = BookTest;

int juxtool(const std::string& arguments) {
    return std::system((std::string(JUXTOOL_BINARY) + " " + arguments).c_str());
}

TEST_F(BookBuild, JuxtoolBuildsTheHandCountedBookAndSkipsMalformedGamesWithAWarning) {
    write_file("games.pgn", SMALL_PGN);
    EXPECT_NE(juxtool("book build jux.book games.pgn missing.pgn >stdout.txt 2>stderr.txt"), 0);
    EXPECT_EQ(read_file("jux.book"), sorted_book(SMALL_BOOK));
    const std::string err = read_file("stderr.txt");
    for (const char* warning :
         {"games.pgn: game 6 (line 26) skipped: illegal or ambiguous move \"Ke3\" at ply 3",
          "games.pgn: game 7 (line 31) skipped: unclosed comment",
          "games.pgn: game 9 (line 41) skipped: unbalanced ')'", "cannot read missing.pgn"})
        EXPECT_NE(err.find(warning), std::string::npos) << err;
    EXPECT_EQ(
        read_file("stdout.txt"),
        "games: 9 read, 5 used, 1 without result, 3 malformed\n"
        "book: 2 positions, 2 moves written to jux.book (positions left out: 0 sharing a key, 2 without a "
        "move worth playing)\n");

    const std::pair<const char*, Move> probes[] = {
        {"", make_move_code(E2, E4, MOVE_DOUBLE_STEP)},
        {"e2e4", 0},
        {"e2e4 e7e5", make_move_code(G1, F3, MOVE_QUIET)},
        {"e2e4 e7e5 g1f3", 0},
        {"d2d4", 0},
    };
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

TEST_F(BookBuild, PositionsSharingAKeyKeepTheOneWithMoreGames) {
    // One key, white to move, with and without castling rights: two move
    // lists, so two sets of ranks. The one with more games is kept.
    const char* with_rights = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    const char* without = "r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1";
    std::string pgn;
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

TEST_F(BookBuild, AGivenOpeningLineCountsOnceWithAnEvenScore) {
    write_file("games.pgn", GIVEN_LINES_PGN);
    ASSERT_EQ(juxtool("book build jux.book games.pgn >stdout.txt"), 0);
    EXPECT_EQ(read_file("jux.book"), sorted_book(GIVEN_LINES_BOOK));
    EXPECT_EQ(
        read_file("stdout.txt"),
        "games: 4 read, 4 used, 0 without result, 0 malformed\n"
        "book: 4 positions, 5 moves written to jux.book (positions left out: 0 sharing a key, 0 without a "
        "move worth playing)\n");
}

TEST_F(BookBuild, EveryInputEndsWithAResultOrAWarning) {
    // The inputs; the reader's other cases are in the PGN tests.
    const std::pair<std::string, const char*> rows[] = {
        {"1. e4 } e5 1-0", "game 1 (line 1) skipped: unbalanced '}'"},
        {std::string("1. e4 e5\0 2. Nf3 1-0", 19), "game 1 (line 1) skipped: control byte 0x00"},
    };
    for (const auto& [input, warning] : rows) {
        write_file("games.pgn", input);
        // A reader that never ends is stopped after 20 s.
        EXPECT_EQ(std::system((std::string("timeout 20 ") + JUXTOOL_BINARY +
                               " book build x.book games.pgn >stdout.txt 2>stderr.txt")
                                  .c_str()),
                  0)
            << input;
        EXPECT_NE(read_file("stderr.txt").find(std::string("games.pgn: ") + warning), std::string::npos)
            << input << "\n"
            << read_file("stderr.txt");
        EXPECT_EQ(read_file("stdout.txt").rfind("games: ", 0), 0u) << input;
    }
}

}  // namespace
