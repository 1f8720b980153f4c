// Building a book from games: keys, records and counts of a small game file
// worked out by hand, the record cap, positions that share a key, and the
// juxtool command with its warnings.
#include "book/book_build.h"

#include <cstdio>
#include <sstream>

#include "book/book.h"
#include "book_fixture.h"
#include "frontend/options.h"
#include "search/random.h"

namespace {

const char* const SMALL_PGN =
    "[Event \"one\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 {main line} Nc6 (2... d6) 1-0\n\n"
    "[Event \"two\"]\n[Result \"0-1\"]\n\n1. e4 e5 2. Nf3 $2 Nf6 0-1\n\n"
    "[Event \"three\"]\n[Result \"1/2-1/2\"]\n\n1.e4 c5 1/2-1/2\n\n"
    "[Event \"four\"]\n[Result \"1-0\"]\n\n1. d4 d5 1-0\n\n"
    "[Event \"unfinished\"]\n[Result \"*\"]\n\n1. e4 e5 *\n\n"
    "[Event \"illegal\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Ke3 Nc6 1-0\n\n"
    "[Event \"broken\"]\n[Result \"1-0\"]\n\n1. e4 { never closed 1-0\n\n"
    "[Event \"after the broken one\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 1-0\n";

std::string build(const std::string& pgn, BookBuildSettings settings, BookBuilder& builder,
                  BookWriteSummary* summary = nullptr) {
    std::istringstream in(pgn);
    PgnReader reader;
    open_pgn(reader, in);
    start_book_build(builder, settings);
    PgnGame game;
    std::string reason;
    while (read_pgn_game(reader, game)) add_book_game(builder, game, reason);
    std::ostringstream out;
    BookWriteSummary s = write_book(builder, out);
    if (summary) *summary = s;
    return out.str();
}

std::string line(uint32_t key, const std::string& records) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", key);
    return text + records + "\n";
}

// The expected book of SMALL_PGN, sorted by key. Counted games: one, two,
// three, four and the last one. From the start e4 (rank 13) was played four
// times: won in one and the last, lost in two, drawn in three. 1... e5 (rank
// 13 for black) three times: won only in two. 2. Nf3 three times, won in one
// and the last: after 1. e4 e5 white's list h3 h4 g3 g4 f3 f4 d3 d4 c3 c4 b3
// b4 a3 a4 Ne2 Nf3 Nh3 Na3 Nc3 Be2 Bd3 Bc4 Bb5 Ba6 Qe2 Qf3 Qg4 Qh5 Ke2 comes
// out of the picker as L0, L28, L27, ..., so Nf3 (L15) has rank 14. 2... Nc6
// twice, lost both; black's list mirrors white's with Ne7 Nh6 Nf6 Nc6 Na6 as
// L14..L18, so rank 12. Everything played once stays out.
std::string expected_small_book() {
    std::map<uint32_t, std::string> lines;
    lines[key_after("")] = line(key_after(""), "N-00046400004000020000100001");
    lines[key_after("e2e4")] = line(key_after("e2e4"), "-N00036400003000010000000002");
    lines[key_after("e2e4 e7e5")] = line(key_after("e2e4 e7e5"), "O-00036400003000020000000001");
    lines[key_after("e2e4 e7e5 g1f3")] = line(key_after("e2e4 e7e5 g1f3"), "-M00026400002000000000000002");
    std::string text;
    for (const auto& [key, l] : lines) text += l;
    return text;
}

class BookBuild : public ScratchDirectory {
   protected:
    void SetUp() override {
        ScratchDirectory::SetUp();
        book_setup_position(START_FEN);
        options.own_book = 1;
        limits.time_mode = TIME_CLOCK_INCREMENT;
        limits.max_depth = 99;
        book.book_in_use = 1;
        book.book_miss_count = 0;
    }
};

TEST_F(BookBuild, SmallGameFileGivesTheHandCountedBook) {
    BookBuilder builder;
    BookWriteSummary summary;
    std::string text = build(SMALL_PGN, BookBuildSettings{}, builder, &summary);
    EXPECT_EQ(text, expected_small_book());
    EXPECT_EQ(builder.games_used, 5);
    EXPECT_EQ(builder.games_unfinished, 1);
    EXPECT_EQ(builder.games_malformed, 2);
    EXPECT_EQ(summary.positions, 4);
    EXPECT_EQ(summary.records, 4);
    EXPECT_EQ(summary.shared_keys, 0);

    // With K = 1 the moves played once join, the most played first.
    BookBuildSettings all;
    all.min_games = 1;
    text = build(SMALL_PGN, all, builder, &summary);
    std::string start_line = line(key_after(""), "N-00046400004000020000100001L-00011900001000010000000000");
    EXPECT_NE(text.find(start_line), std::string::npos) << text;

    // Only the first ply counted: one position. A fixed book value.
    BookBuildSettings one_ply;
    one_ply.plies = 1;
    one_ply.book_value = 50;
    text = build(SMALL_PGN, one_ply, builder, &summary);
    EXPECT_EQ(text, line(key_after(""), "N-00043200004000020000100001"));
}

TEST_F(BookBuild, ProbingTheBuiltBookPlaysOnlyItsMoves) {
    BookBuilder builder;
    write_file(BOOK_FILE_NAME, build(SMALL_PGN, BookBuildSettings{}, builder));
    seed_random(7);
    book_setup_position(START_FEN);
    EXPECT_EQ(probe_book(), make_move_code(E2, E4, MOVE_DOUBLE_STEP));
    // 1... e5 and 2... Nc6 won fewer games than they lost: alone and poor,
    // they give no book move.
    book_setup_position(START_FEN, "e2e4");
    EXPECT_EQ(probe_book(), 0u);
    book_setup_position(START_FEN, "e2e4 e7e5");
    EXPECT_EQ(probe_book(), make_move_code(G1, F3, MOVE_QUIET));
    EXPECT_EQ(book.book_miss_count, 0);
    book_setup_position(START_FEN, "e2e4 e7e5 g1f3");
    EXPECT_EQ(probe_book(), 0u);
    book_setup_position(START_FEN, "d2d4");
    EXPECT_EQ(probe_book(), 0u);
    EXPECT_EQ(book.book_miss_count, 2);
}

TEST_F(BookBuild, AtMostSeventeenRecordsTheMostPlayedKept) {
    // Move i of the start position's 20 is played i + 2 times (won each time).
    const char* moves[20] = {"h3", "h4", "g3", "g4", "f3", "f4", "e3",  "e4",  "d3",  "d4",
                             "c3", "c4", "b3", "b4", "a3", "a4", "Nf3", "Nh3", "Na3", "Nc3"};
    std::string pgn;
    for (int i = 0; i < 20; i++)
        for (int n = 0; n < i + 2; n++) pgn += std::string("[Result \"1-0\"]\n1. ") + moves[i] + " 1-0\n";
    BookBuilder builder;
    std::string text = build(pgn, BookBuildSettings{}, builder);
    ASSERT_EQ(text.size(), BOOK_KEY_LENGTH + 17u * BOOK_RECORD_LENGTH + 1);
    // Records in falling order of games: Nc3 (21 games, rank 1) first, then
    // Na3 (rank 2), ...; h3, h4 and g3 (2 to 4 games) are left out. The book
    // value rates each against the most played: g4 100 x 5 / 21 = 23.
    EXPECT_EQ(text.substr(8, 28), "B-00156400015000150000000000");
    EXPECT_EQ(text.substr(8 + 28, 2), "C-");
    EXPECT_EQ(text.substr(8 + 16 * 28, 28),
              "R-00051700005000050000000000");  // g4, rank 17
}

TEST_F(BookBuild, PositionsSharingAKeyKeepTheOneWithMoreGames) {
    // Same pieces, white to move, with and without castling rights: one key,
    // two move lists, so two sets of ranks. The one with more games is kept.
    const char* with_rights = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    const char* without = "r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1";
    std::string pgn;
    for (int i = 0; i < 3; i++)
        pgn += std::string("[FEN \"") + with_rights + "\"]\n[Result \"1-0\"]\n1. Ra2 1-0\n";
    for (int i = 0; i < 2; i++)
        pgn += std::string("[FEN \"") + without + "\"]\n[Result \"1-0\"]\n1. Ra2 1-0\n";
    BookBuilder builder;
    BookWriteSummary summary;
    write_file(BOOK_FILE_NAME, build(pgn, BookBuildSettings{}, builder, &summary));
    EXPECT_EQ(builder.positions.size(), 2u);
    EXPECT_EQ(summary.positions, 1);
    EXPECT_EQ(summary.shared_keys, 1);
    EXPECT_NE(read_file(BOOK_FILE_NAME).find("0003640000300003"), std::string::npos);
    book_setup_position(with_rights);
    EXPECT_EQ(probe_book(), make_move_code(A1, A2, MOVE_QUIET));
    // Without the rights the list is shorter and the rank names another move.
    book_setup_position(without);
    EXPECT_NE(probe_book(), make_move_code(A1, A2, MOVE_QUIET));
}

TEST_F(BookBuild, JuxtoolBuildsWarnsAndProbes) {
    write_file("games.pgn", SMALL_PGN);
    std::string command = std::string(JUXTOOL_BINARY) + " book build out.book games.pgn missing.pgn" +
                          " >stdout.txt 2>stderr.txt";
    int status = std::system(command.c_str());
    EXPECT_NE(status, 0);  // one file could not be read
    EXPECT_EQ(read_file("out.book"), expected_small_book());
    std::string err = read_file("stderr.txt");
    EXPECT_NE(err.find("games.pgn: game 6 (line 26) skipped: illegal or ambiguous move \"Ke3\" at ply 3"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("games.pgn: game 7 (line 31) skipped: unclosed comment"), std::string::npos) << err;
    EXPECT_NE(err.find("cannot read missing.pgn"), std::string::npos) << err;
    EXPECT_EQ(read_file("stdout.txt"),
              "games: 8 read, 5 used, 1 without result, 2 malformed\n"
              "book: 4 positions, 4 moves written to out.book (0 positions left out: key shared)\n");

    command = std::string(JUXTOOL_BINARY) + " book probe out.book >probe.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string probe = read_file("probe.txt");
    EXPECT_NE(probe.find("white to move: 1 records"), std::string::npos) << probe;
    EXPECT_NE(
        probe.find("e2e4     13        4  100      4      2      1      1   79    84   13341.2002 100.0%"),
        std::string::npos)
        << probe;

    command =
        std::string(JUXTOOL_BINARY) +
        " book build --plies 1 --min-games 3 --book-value 80 fixed.book games.pgn 2>/dev/null >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(read_file("fixed.book"), line(key_after(""), "N-00045000004000020000100001"));
    command = std::string(JUXTOOL_BINARY) + " book build --book-value 256 x.book games.pgn 2>/dev/null";
    EXPECT_NE(std::system(command.c_str()), 0);

    command = std::string(JUXTOOL_BINARY) +
              " book probe out.book rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1 >probe.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_NE(read_file("probe.txt").find("black to move: not in the book"), std::string::npos);
}

}  // namespace
