// The PGN reader: tags, main-line moves and results out of annotated text,
// and recovery from broken games.
#include "book/pgn.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<PgnGame> read_all(const std::string& text) {
    std::istringstream in(text);
    PgnReader reader;
    open_pgn(reader, in);
    std::vector<PgnGame> games;
    PgnGame game;
    while (read_pgn_game(reader, game)) games.push_back(game);
    return games;
}

using Moves = std::vector<std::string>;

TEST(PgnReader, ReadsGamesPastAnnotationsAndGoesOnAfterBrokenOnes) {
    auto games = read_all(
        "\xEF\xBB\xBF% an escape line { is ignored\r\n"
        "[Event \"Club \\\"open\\\"\"]\r\n[Site \"?\"] [Result \"1-0\"]\r\n\r\n"
        "1. e4 {best by test} e5 2.Nf3 $1 Nc6 (2... d6 3. d4 (3. Bc4) exd4) 3. Bb5!? a6; the Morphy\n"
        "4. Ba4 Nf6 5. O-O 5... Be7 6.Re1 1/2-1/2\n\n"
        "[Event \"b\"]\n1.e4 1...c5 2.Nf3 ... d6 1-0 [Event \"c\"]\n1. Nf3 0-1\n"
        "[Event \"d\"]\n1. g3 g6\n"  // no termination: the next tags end it
        "[Event \"e\"]\n1.e4 *");
    ASSERT_EQ(games.size(), 5u);
    const PgnGame& g = games[0];
    EXPECT_EQ(g.line, 2);
    ASSERT_EQ(g.tags.size(), 3u);
    EXPECT_EQ(g.tags[0].value, "Club \"open\"");
    EXPECT_EQ(*pgn_tag(g, "Result"), "1-0");
    EXPECT_EQ(pgn_tag(g, "White"), nullptr);
    EXPECT_EQ(g.moves, (Moves{"e4", "e5", "Nf3", "Nc6", "Bb5!?", "a6", "Ba4", "Nf6", "O-O", "Be7", "Re1"}));
    EXPECT_EQ(g.result, "1/2-1/2") << "the movetext's termination, not the tag";
    EXPECT_EQ(games[1].moves, (Moves{"e4", "c5", "Nf3", "d6"}));
    EXPECT_EQ(*pgn_tag(games[2], "Event"), "c");
    EXPECT_EQ(games[2].result, "0-1");
    EXPECT_EQ(games[2].line, 9) << "begins after the previous result";
    EXPECT_EQ(games[3].moves, (Moves{"g3", "g6"}));
    EXPECT_EQ(games[3].result, "");
    EXPECT_EQ(games[4].result, "*");
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(games[i].number, i + 1);
        EXPECT_EQ(games[i].error, "") << i;
    }
    EXPECT_TRUE(read_all("\n\n% only an escape line\n").empty());

    // Broken games carry an error, and reading goes on.
    games = read_all(
        "[Event \"broken tag\"\n1. e4 *\n\n"
        "[Event \"unclosed comment\"]\n1. e4 { never closed\n\n"
        "[Event \"stray paren\"]\n1. e4 ) e5 *\n\n"
        "[Event \"open variation\"]\n1. e4 ( 1. d4 *\n");
    ASSERT_EQ(games.size(), 4u);
    EXPECT_NE(games[0].error.find("malformed tag"), std::string::npos);
    EXPECT_EQ(games[1].error, "unclosed comment");
    EXPECT_EQ(*pgn_tag(games[2], "Event"), "stray paren");
    EXPECT_EQ(games[2].error, "unbalanced ')'");
    EXPECT_EQ(games[3].error, "unclosed variation");
    EXPECT_EQ(games[3].number, 4);
}

}  // namespace
