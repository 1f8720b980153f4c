// Probes of the real Gaviota and Syzygy tables: distances to mate on the
// engine's scale, colour reversal, the en-passant rule, combinations without
// a table, and the Syzygy root moves.
#include <gtb-probe.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/notation.h"
#include "position_walk.h"

namespace {

namespace fs = std::filesystem;

class Probe : public ::testing::Test {
   protected:
    void SetUp() override { REQUIRE_SHARED_TABLEBASES(); }
    // A cache that holds every block of the test tables, so that probes in
    // random order stay quick.
    static void use(const std::string& path) { ASSERT_EQ(register_tablebase_path(path, 16384), 4) << path; }
    static void use_both() { use(syzygy_dir() + ";" + gaviota_dir()); }
};

std::vector<std::string> sorted_words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    std::sort(words.begin(), words.end());
    return words;
}

TEST_F(Probe, KnownDistancesToMate) {
    use_both();
    EXPECT_EQ(probe_fen("7k/8/6K1/8/8/8/8/1Q6 w - - 0 1"), 29998) << "KQK, mate in 1";
    EXPECT_EQ(probe_fen("1Q5k/8/6K1/8/8/8/8/8 b - - 0 1"), -29998) << "KQK, mated";
    EXPECT_EQ(probe_fen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"), 0) << "KQK, stalemate";
    EXPECT_EQ(probe_fen("7k/8/6K1/8/8/8/8/R7 w - - 0 1"), 29998) << "KRK, mate in 1";
    EXPECT_EQ(probe_fen("8/8/4K3/8/8/8/3k4/R7 w - - 0 1"), 29978) << "KRK, mate in 11";
    // The kings in opposition in front of the pawn: a draw when the
    // stronger side must move, a loss when the defender must.
    EXPECT_EQ(probe_fen("8/4k3/8/4K3/4P3/8/8/8 w - - 0 1"), 0) << "KPK";
    int defender = probe_fen("8/4k3/8/4K3/4P3/8/8/8 b - - 0 1");
    EXPECT_LT(defender, -29000) << "KPK";
    EXPECT_EQ(defender % 2, 0) << "a loss on the scale is even";
}

// A won position is worth exactly the best of its moves; a lost one two
// units more than the best of its moves (one move further from the mate);
// a drawn one has a drawing move and no winning one. Checked with the
// engine's own move generator over every legal move.
TEST_F(Probe, DistancesToMateAgreeWithTheMoves) {
    use_both();
    int positions = 0;
    for (const char* men : {"KQk", "KRk", "KPk", "Kkp", "KQkr", "kqKR", "KRkr"}) {
        for (const std::string& fen : legal_positions(men, 120, 2024)) {
            setup_position(fen.c_str());
            int score = tb_probe(pos.side_to_move, pos.ep_square);
            ASSERT_NE(score, 30000) << fen;
            std::vector<ChildScore> children = child_scores();
            if (children.empty()) {
                bool in_check = is_attacked(pos.piece_list[pos.side_to_move][0], pos.side_to_move ^ 1);
                EXPECT_EQ(score, in_check ? -29998 : 0) << fen;
                continue;
            }
            int best = -100000;
            for (const ChildScore& child : children) {
                ASSERT_NE(child.score, -30000) << fen << " " << format_move(child.move, pos.side_to_move);
                best = std::max(best, child.score);
            }
            if (score > 0) {
                EXPECT_EQ(score, best) << fen;
            } else if (score < 0) {
                EXPECT_EQ(score, best + 2) << fen;
            } else {
                EXPECT_EQ(best, 0) << fen;
            }
            positions++;
        }
    }
    EXPECT_GT(positions, 700);
}

// Two independent sets of tables: the distance to mate of one and the
// win/draw/loss of the other agree on every position.
TEST_F(Probe, GaviotaAndSyzygyAgreeOnTheResult) {
    std::vector<std::string> fens;
    for (const char* men :
         {"KQk", "KRk", "KPk", "KQkr", "KRkr", "KRkp", "KPkp", "KBNk", "KNNk", "KQkq", "kqKR"}) {
        for (const std::string& fen : legal_positions(men, 60, 77)) fens.push_back(fen);
    }
    std::vector<int> distance_to_mate;
    use(gaviota_dir());
    for (const std::string& fen : fens) distance_to_mate.push_back(probe_fen(fen.c_str()));
    use(syzygy_dir());
    for (size_t i = 0; i < fens.size(); i++) {
        int result = probe_fen(fens[i].c_str());
        int expected = distance_to_mate[i] > 0 ? 28000 : distance_to_mate[i] < 0 ? -28000 : 0;
        ASSERT_NE(distance_to_mate[i], 30000) << fens[i];
        EXPECT_EQ(result, expected) << fens[i] << " distance to mate " << distance_to_mate[i];
    }
}

TEST_F(Probe, ColourReversedPositionsReadTheSameTable) {
    const std::pair<const char*, const char*> mirrored[] = {
        {"8/8/4K3/8/8/8/3k4/R7 w - - 0 1", "r7/3K4/8/8/8/4k3/8/8 b - - 0 1"},
        {"4k3/8/4K3/4P3/8/8/8/8 b - - 0 1", "8/8/8/8/4p3/4k3/8/4K3 w - - 0 1"},
        {"8/2q5/8/3K4/8/6R1/1k6/8 w - - 0 1", "8/1K6/6r1/8/3k4/8/2Q5/8 b - - 0 1"},
        {"8/8/8/3pP3/8/2K5/8/6k1 b - - 0 1", "6K1/8/2k5/8/3Pp3/8/8/8 w - - 0 1"},
    };
    for (const std::string& path : {gaviota_dir(), syzygy_dir()}) {
        use(path);
        for (const auto& [fen, reversed] : mirrored) {
            int score = probe_fen(fen);
            EXPECT_NE(score, 30000) << fen;
            EXPECT_EQ(probe_fen(reversed), score) << reversed << " in " << path;
        }
    }
}

TEST_F(Probe, AnEnPassantCaptureCountsOnlyWhenAPawnCanMakeIt) {
    for (const std::string& path : {gaviota_dir(), syzygy_dir()}) {
        use(path);
        int win = path == gaviota_dir() ? 29976 : 28000;  // exf6 wins, mate in 12; anything else draws
        EXPECT_EQ(probe_fen("1K6/8/8/4Pp2/8/8/8/3k4 w - f6 0 1"), win) << path;
        EXPECT_EQ(probe_fen("1K6/8/8/4Pp2/8/8/8/3k4 w - - 0 1"), 0) << path;
        EXPECT_EQ(probe_fen("3K4/8/8/8/4pP2/8/8/1k6 b - f3 0 1"), win) << path;
        // No pawn beside the one that has just made its double step.
        int without = probe_fen("1K6/8/8/1P3p2/8/8/8/3k4 w - - 0 1");
        EXPECT_NE(without, 30000);
        EXPECT_EQ(probe_fen("1K6/8/8/1P3p2/8/8/8/3k4 w - f6 0 1"), without) << path;
        // The capturing side's pawn is beside, but the square is the other side's.
        EXPECT_EQ(probe_fen("1K6/8/8/4Pp2/8/8/8/3k4 w - e6 0 1"), 0) << path;
    }
    // Only the side to move captures en passant.
    use(gaviota_dir());
    setup_position("1K6/8/8/4Pp2/8/8/8/3k4 w - - 0 1");
    EXPECT_EQ(tb_probe(WHITE, F6), 29976);
    EXPECT_EQ(tb_probe(WHITE, 0), 0);
    EXPECT_EQ(tb_probe(BLACK, F6), tb_probe(BLACK, 0));
}

TEST_F(Probe, CombinationsWithoutATableGiveNoResult) {
    use_both();
    EXPECT_EQ(probe_fen("4k3/8/8/8/8/8/8/QQQ1K3 w - - 0 1"), 30000) << "four pieces against a bare king";
    EXPECT_EQ(probe_fen("4k3/8/8/8/8/8/8/RRB1K3 b - - 0 1"), 30000) << "four pieces against a bare king";
    EXPECT_EQ(probe_fen("4k3/8/8/8/8/8/PP6/R3K3 w - - 0 1"), 30000) << "five men, three against one";
    EXPECT_EQ(probe_fen("3rk3/8/8/8/8/8/PP6/R3K3 w - - 0 1"), 30000) << "six men";
    EXPECT_EQ(probe_fen("4k3/8/8/8/8/8/8/4K3 w - - 0 1"), 30000) << "bare kings";
}

TEST_F(Probe, TablesKnowNothingOfCastling) {
    use_both();
    EXPECT_EQ(probe_fen("4k3/8/8/8/8/8/8/R3K3 w Q - 0 1"), 30000);
    EXPECT_EQ(probe_fen("r3k3/8/8/8/8/8/8/4K3 w q - 0 1"), 30000);
    EXPECT_GT(probe_fen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1"), 29000);
}

TEST_F(Probe, EveryCallIsCounted) {
    use_both();
    setup_position("4k3/8/8/8/8/8/8/QQQ1K3 w - - 0 1");
    tb_counters.probe_count = 0;
    tb_probe(WHITE, 0);
    setup_position("8/8/4K3/8/8/8/3k4/R7 w - - 0 1");
    tb_probe(WHITE, 0);
    tb_probe(BLACK, 0);
    EXPECT_EQ(tb_counters.probe_count, 3);
}

TEST_F(Probe, TheClassIsTheMostMenInAnyFormat) {
    EXPECT_EQ(register_tablebase_path(gaviota_dir()), 4);
    EXPECT_EQ(register_tablebase_path(syzygy_dir()), 4);
    EXPECT_EQ(register_tablebase_path(syzygy_dir() + "," + gaviota_dir()), 4);
    EXPECT_EQ(register_tablebase_path("/nonexistent;<empty>"), 0);
    char pattern[] = "/tmp/jux_egtb_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string three = std::string(pattern) + "/three", four = std::string(pattern) + "/four";
    fs::create_directories(three);
    fs::create_directories(four);
    fs::copy_file(gaviota_dir() + "/kqk.gtb.cp4", three + "/kqk.gtb.cp4");
    fs::copy_file(syzygy_dir() + "/KRvK.rtbw", three + "/KRvK.rtbw");
    // A Syzygy table resolves captures with the smaller tables.
    for (const char* file : {"KQvKR.rtbw", "KQvK.rtbw"})
        fs::copy_file(syzygy_dir() + "/" + file, four + "/" + file);
    EXPECT_EQ(register_tablebase_path(three), 3);
    EXPECT_EQ(probe_fen("7k/8/6K1/8/8/8/8/1Q6 w - - 0 1"), 29998);
    EXPECT_EQ(probe_fen("8/8/4K3/8/8/8/3k4/R7 w - - 0 1"), 28000);
    EXPECT_EQ(probe_fen("8/8/4K3/8/8/8/3k4/B7 w - - 0 1"), 30000) << "no KBK table";
    EXPECT_EQ(register_tablebase_path(three + ";" + four), 4);
    EXPECT_EQ(probe_fen("8/8/4K3/8/8/8/3k4/Qr6 w - - 0 1"), 28000);
    fs::remove_all(pattern);
}

TEST_F(Probe, TheCacheTakesTheGivenSize) {
    TB_STATS stats;
    register_tablebase_path(gaviota_dir(), 4096);
    tbstats_get(&stats);
    EXPECT_EQ(stats.dtm_cachesize / 1024, 4096u);
    register_tablebase_path(gaviota_dir(), 0);
    tbstats_get(&stats);
    EXPECT_EQ(stats.dtm_cachesize / 1024, 64u) << "64 KB when no size is given";
    register_tablebase_path("/nonexistent", 8192);
    tbstats_get(&stats);
    EXPECT_EQ(stats.dtm_cachesize / 1024, 64u) << "a registration that finds nothing leaves the cache";
}

TEST_F(Probe, ACacheThatCannotBeHadEndsTheEngineSilently) {
    std::ifstream overcommit("/proc/sys/vm/overcommit_memory");
    int policy = 0;
    if (overcommit >> policy && policy == 1) GTEST_SKIP() << "this system grants any amount of memory";
    ChildRun run = run_in_child([] { register_tablebase_path(gaviota_dir(), 2147483647); });
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.output, "");
}

// Where the distance to zeroing is the distance to mate (the winner's pieces
// cannot be won and there are no pawns), the root moves Syzygy keeps are the
// moves that are best by distance to mate.
TEST_F(Probe, SyzygyRootMovesAreTheQuickestWinOrLongestDefence) {
    std::vector<std::string> fens;
    for (const char* men : {"KRk", "KQk", "kqK"}) {
        for (const std::string& fen : legal_positions(men, 80, 5)) fens.push_back(fen);
    }
    std::vector<std::string> kept;
    use(syzygy_dir());
    char text[1200];
    for (const std::string& fen : fens) {
        setup_position(fen.c_str());
        int n = tb_root_moves(pos.side_to_move, pos.ep_square, text, sizeof text);
        EXPECT_EQ(n, static_cast<int>(sorted_words(text).size()));
        kept.push_back(text);
    }
    use(gaviota_dir());
    int checked = 0;
    for (size_t i = 0; i < fens.size(); i++) {
        setup_position(fens[i].c_str());
        std::vector<ChildScore> children = child_scores();
        if (children.empty()) {
            EXPECT_EQ(kept[i], "") << fens[i];
            continue;
        }
        int best = -100000;
        for (const ChildScore& child : children) best = std::max(best, child.score);
        std::string best_moves;
        for (const ChildScore& child : children) {
            if (child.score == best)
                best_moves += std::string(format_move(child.move, pos.side_to_move)) + " ";
        }
        EXPECT_EQ(sorted_words(kept[i]), sorted_words(best_moves)) << fens[i];
        checked++;
    }
    EXPECT_GT(checked, 200);
}

TEST_F(Probe, RootMovesAreLeftAloneWhereGaviotaKnowsTheDistanceToMate) {
    char text[200];
    use(syzygy_dir());
    setup_position("7k/8/6K1/8/8/8/8/R7 w - - 0 1");
    EXPECT_EQ(tb_root_moves(WHITE, 0, text, sizeof text), 1);
    EXPECT_STREQ(text, "a1a8");
    // The defender's one drawing move: taking the rook.
    setup_position("8/8/8/8/8/8/3kR3/6K1 b - - 0 1");
    EXPECT_EQ(tb_root_moves(BLACK, 0, text, sizeof text), 1);
    EXPECT_STREQ(text, "d2e2");
    // A drawn position keeps every drawing move.
    setup_position("8/4k3/8/4K3/4P3/8/8/8 w - - 0 1");
    EXPECT_EQ(tb_root_moves(WHITE, 0, text, sizeof text), 4);
    EXPECT_EQ(sorted_words(text), sorted_words("e5d5 e5f5 e5d4 e5f4"));
    // Too little room for the texts: the moves that fit.
    EXPECT_EQ(tb_root_moves(WHITE, 0, text, 10), 2);
    EXPECT_EQ(std::string(text).size(), 9u);
    use_both();
    setup_position("7k/8/6K1/8/8/8/8/R7 w - - 0 1");
    EXPECT_EQ(tb_root_moves(WHITE, 0, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
    setup_position("4k3/8/8/8/8/8/8/QQQ1K3 w - - 0 1");
    EXPECT_EQ(tb_root_moves(WHITE, 0, text, sizeof text), 0);
    setup_position("4k3/8/8/8/8/8/8/R3K3 w Q - 0 1");
    EXPECT_EQ(tb_root_moves(WHITE, 0, text, sizeof text), 0);
}

}  // namespace
