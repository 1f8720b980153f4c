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

TEST(PgnReader, ReadsTagsMovesAndResultPastAnnotations) {
    auto games = read_all(
        "% an escape line { is ignored\n"
        "[Event \"Club \\\"open\\\"\"]\n"
        "[Site \"?\"] [Result \"1-0\"]\n"
        "\n"
        "1. e4 {best by test} e5 2.Nf3 $1 Nc6 (2... d6 3. d4 (3. Bc4) exd4) 3. Bb5!? a6; the Morphy\n"
        "4. Ba4 Nf6 5. O-O 5... Be7 6.Re1 b5 7. Bb3 d6 8. c3 O-O 9. h3 Nb8 10. d4 Nbd7\n"
        "11. c4 c6 12. cxb5 axb5 13. Nc3 Bb7 14. Bg5 b4 15. Nb1 h6 16. Bh4 c5 17. dxe5\n"
        "Nxe4 18. Bxe7 Qxe7 19. exd6 Qf6 20. Nbd2 Nxd6 21. Nc4 Nxc4 22. Bxc4 Nb6\n"
        "23. Ne5 Rae8 24. Bxf7+ Rxf7 25. Nxf7 Rxe1+ 26. Qxe1 Kxf7 27. Qe3 Qg5 28. Qxg5\n"
        "hxg5 29. b3 Ke6 30. a3 Kd6 31. axb4 cxb4 32. Ra5 Nd5 33. f3 Bc8 34. Kf2 Bf5\n"
        "35. Ra7 g6 36. Ra6+ Kc5 37. Ke1 Nf4 38. g3 Nxh3 39. Kd2 Kb5 40. Rd6 Kc5 41. Ra6\n"
        "Nf2 42. g4 Bd3 43. Re6 1/2-1/2\n");
    ASSERT_EQ(games.size(), 1u);
    const PgnGame& g = games[0];
    EXPECT_TRUE(g.error.empty()) << g.error;
    EXPECT_EQ(g.number, 1);
    EXPECT_EQ(g.line, 2);
    ASSERT_EQ(g.tags.size(), 3u);
    EXPECT_EQ(g.tags[0].name, "Event");
    EXPECT_EQ(g.tags[0].value, "Club \"open\"");
    EXPECT_EQ(*pgn_tag(g, "Result"), "1-0");
    EXPECT_EQ(pgn_tag(g, "White"), nullptr);
    ASSERT_EQ(g.moves.size(), 85u);
    EXPECT_EQ(Moves(g.moves.begin(), g.moves.begin() + 10),
              (Moves{"e4", "e5", "Nf3", "Nc6", "Bb5!?", "a6", "Ba4", "Nf6", "O-O", "Be7"}));
    EXPECT_EQ(g.moves.back(), "Re6");
    EXPECT_EQ(g.result, "1/2-1/2");  // the movetext's termination, not the tag
}

TEST(PgnReader, SplitsGamesAndNumbersThem) {
    auto games = read_all(
        "[Event \"a\"]\n\n1. d4 d5 *\n\n"
        "[Event \"b\"]\n1. c4 1-0 [Event \"c\"]\n1. Nf3 0-1\n"
        "[Event \"d\"]\n1. g3 g6\n"  // no termination: the next tags end it
        "[Event \"e\"]\n1.e4 1-0");
    ASSERT_EQ(games.size(), 5u);
    EXPECT_EQ(games[0].result, "*");
    EXPECT_EQ(games[1].moves, Moves{"c4"});
    EXPECT_EQ(games[1].result, "1-0");
    EXPECT_EQ(*pgn_tag(games[2], "Event"), "c");
    EXPECT_EQ(games[2].result, "0-1");
    EXPECT_EQ(games[3].moves, (Moves{"g3", "g6"}));
    EXPECT_EQ(games[3].result, "");
    EXPECT_EQ(games[4].moves, Moves{"e4"});
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(games[i].number, i + 1);
        EXPECT_TRUE(games[i].error.empty()) << i;
    }
    EXPECT_EQ(games[2].line, 6);  // begins after the previous result
    EXPECT_EQ(games[3].line, 8);
}

TEST(PgnReader, MoveNumbersGluedToMovesAndBlackContinuations) {
    auto games = read_all("1.e4 1...c5 2.Nf3 2...d6 3.d4 ... cxd4 4.Nxd4 $14 $2 Nf6 *\n");
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0].moves, (Moves{"e4", "c5", "Nf3", "d6", "d4", "cxd4", "Nxd4", "Nf6"}));
}

TEST(PgnReader, BrokenGamesCarryAnErrorAndReadingGoesOn) {
    auto games = read_all(
        "[Event \"broken tag\"\n1. e4 *\n\n"
        "[Event \"unclosed comment\"]\n1. e4 { never closed\n\n"
        "[Event \"stray paren\"]\n1. e4 ) e5 *\n\n"
        "[Event \"open variation\"]\n1. e4 ( 1. d4 *\n");
    ASSERT_EQ(games.size(), 4u);
    EXPECT_NE(games[0].error.find("malformed tag"), std::string::npos);
    EXPECT_EQ(games[0].moves, Moves{"e4"});
    EXPECT_EQ(games[1].error, "unclosed comment");
    EXPECT_EQ(*pgn_tag(games[2], "Event"), "stray paren");
    EXPECT_EQ(games[2].error, "unbalanced ')'");
    EXPECT_EQ(games[3].error, "unclosed variation");
    EXPECT_EQ(games[3].number, 4);
}

TEST(PgnReader, ByteOrderMarkAndWindowsLineEnds) {
    auto games = read_all("\xEF\xBB\xBF[Event \"x\"]\r\n\r\n1. e4 e5\r\n2. Nf3 1-0\r\n");
    ASSERT_EQ(games.size(), 1u);
    EXPECT_TRUE(games[0].error.empty()) << games[0].error;
    EXPECT_EQ(*pgn_tag(games[0], "Event"), "x");
    EXPECT_EQ(games[0].moves, (Moves{"e4", "e5", "Nf3"}));
}

TEST(PgnReader, EmptyInputHoldsNoGame) {
    EXPECT_TRUE(read_all("").empty());
    EXPECT_TRUE(read_all("\n\n% only an escape line\n").empty());
}

}  // namespace
