// Probes of the real Gaviota and Syzygy tables: distances to mate on the
// engine's scale, the en-passant rule, combinations without a table, and the
// cache. Positions of both colours check the colour reversal.
#include <gtb-probe.h>

#include <algorithm>

#include "board/notation.h"
#include "egtb/syzygy.h"
#include "egtb_fixture.h"

namespace {

class Probe : public ::testing::Test {
   protected:
    void SetUp() override { REQUIRE_SHARED_TABLEBASES(); }
    // Later tests in this process expect no tables.
    void TearDown() override { register_tablebase_path("/nonexistent"); }
    static void use(const std::string& path) { ASSERT_EQ(register_tablebase_path(path), 4) << path; }
    static void use_both() { use(syzygy_dir() + ";" + gaviota_dir()); }
};

TEST_F(Probe, CombinationsWithoutATableGetNoResult) {
    use_both();
    tb_counters.probe_count = 0;
    const std::pair<const char*, int> rows[] = {
        {"4k3/8/8/8/8/8/8/QQQ1K3 w - - 0 1", 30000},   // five men, four pieces against a bare king
        {"4k3/8/8/8/8/8/PP6/R3K3 w - - 0 1", 30000},   // three against one
        {"3rk3/8/8/8/8/8/PP6/R3K3 w - - 0 1", 30000},  // six men
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 30000},      // bare kings
        {"4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", 30000},     // tables know nothing of castling
    };
    for (const auto& [fen, score] : rows) EXPECT_EQ(probe_fen(fen), score) << fen;
    EXPECT_EQ(tb_counters.probe_count, 5) << "every call counts";
}

// A won position is worth exactly the best of its moves; a lost one two
// units more than the best of its moves (one move further from the mate);
// a drawn one has a drawing move and no winning one.
TEST_F(Probe, DistancesToMateAgreeWithTheMoves) {
    use_both();
    int positions = 0;
    for (const char* men : {"KQk", "KRk", "KPk", "Kkp", "KQkr", "kqKR", "KRkr"}) {
        for (const std::string& fen : legal_positions(men, 120, 2024)) {
            const int score = probe_fen(fen.c_str());
            ASSERT_NE(score, 30000) << fen;
            int best = -100000;
            for (const ChildScore& child : child_scores()) {
                ASSERT_NE(child.score, -30000) << fen << " " << format_move(child.move, pos.side_to_move);
                best = std::max(best, child.score);
            }
            if (best == -100000) {  // no move: mate or stalemate
                const bool in_check = is_attacked(pos.piece_list[pos.side_to_move][0], pos.side_to_move ^ 1);
                EXPECT_EQ(score, in_check ? -29998 : 0) << fen;
            } else {
                EXPECT_EQ(score > 0 ? best : score < 0 ? best + 2 : best, score) << fen;
                positions++;
            }
        }
    }
    EXPECT_GT(positions, 700);
}

// Two independent sets of tables: the distance to mate of one and the
// win/draw/loss of the other agree on every position.
TEST_F(Probe, GaviotaAndSyzygyAgreeOnTheResult) {
    std::vector<std::string> fens;
    for (const char* men :
         {"KQk", "KRk", "KPk", "KQkr", "KRkr", "KRkp", "KPkp", "KBNk", "KNNk", "KQkq", "kqKR"})
        for (const std::string& fen : legal_positions(men, 60, 77)) fens.push_back(fen);
    std::vector<int> distance_to_mate;
    use(gaviota_dir());
    for (const std::string& fen : fens) distance_to_mate.push_back(probe_fen(fen.c_str()));
    use(syzygy_dir());
    for (size_t i = 0; i < fens.size(); i++) {
        ASSERT_NE(distance_to_mate[i], 30000) << fens[i];
        const int expected = distance_to_mate[i] > 0 ? 28000 : distance_to_mate[i] < 0 ? -28000 : 0;
        EXPECT_EQ(probe_fen(fens[i].c_str()), expected)
            << fens[i] << " distance to mate " << distance_to_mate[i];
    }
}

TEST_F(Probe, AnEnPassantSquareCountsOnlyWhenAPawnOfTheSideToMoveCanUseIt) {
    for (const std::string& path : {gaviota_dir(), syzygy_dir()}) {
        use(path);
        const int win = path == gaviota_dir() ? 29976 : 28000;  // exf6 wins, mate in 12; all else draws
        const std::pair<const char*, int> rows[] = {
            {"1K6/8/8/4Pp2/8/8/8/3k4 w - f6 0 1", win},
            {"1K6/8/8/4Pp2/8/8/8/3k4 w - - 0 1", 0},
            {"3K4/8/8/8/4pP2/8/8/1k6 b - f3 0 1", win},
            {"1K6/8/8/4Pp2/8/8/8/3k4 w - e6 0 1", 0},  // the square is the other side's
            // No pawn beside the one that has just made its double step.
            {"1K6/8/8/1P3p2/8/8/8/3k4 w - f6 0 1", probe_fen("1K6/8/8/1P3p2/8/8/8/3k4 w - - 0 1")},
        };
        for (const auto& [fen, score] : rows) EXPECT_EQ(probe_fen(fen), score) << fen << " in " << path;
    }
    // Only the side to move captures en passant.
    tb_setup("1K6/8/8/4Pp2/8/8/8/3k4 w - - 0 1");
    EXPECT_EQ(tb_probe(BLACK, F6), tb_probe(BLACK, 0));
}

// The search plays a move that leaves its own king attacked before it finds
// out, and a library host may set up any position: the readers must never
// see one they cannot take (the Syzygy reader aborts on them).
TEST_F(Probe, PositionsTheReadersCannotTakeGetNoResult) {
    const struct {
        const char* fen;
        const char* move;  // pseudo-legal, leaves the mover's king attacked
    } rows[] = {
        {"1k6/8/8/8/8/8/1K6/R7 b - - 0 1", "b8a8"},  // onto the rook's file
        {"8/8/P7/8/8/8/5K2/7k b - - 0 1", "h1g1"},   // beside the other king
        {"8/8/8/8/8/8/1K3q2/7k w - - 0 1", "b2c2"},  // into the queen's rank
    };
    for (const std::string& path : {syzygy_dir(), gaviota_dir(), syzygy_dir() + ";" + gaviota_dir()}) {
        use(path);
        for (const auto& row : rows) {
            ASSERT_TRUE(tb_setup(row.fen)) << row.fen;
            static MoveEntry list[256];
            const int side = pos.side_to_move;
            generate_moves(list, side, 1, 0);
            Move move = 0;
            for (int i = 0; list[i].score != LIST_TERMINATOR; i++)
                if (std::string(format_move(static_cast<Move>(list[i].move), side)) == row.move)
                    move = static_cast<Move>(list[i].move);
            ASSERT_NE(move, 0u) << row.fen << " " << row.move;
            make_move(move, side, 1);
            EXPECT_EQ(tb_probe(side ^ 1, 0), 30000) << row.fen << " " << row.move << " in " << path;
            char text[256];
            pos.side_to_move = side ^ 1;
            EXPECT_EQ(tb_root_moves(side ^ 1, 0, text, sizeof text), 0) << row.fen << " " << row.move;
        }
    }
}

// An engine on a machine without the Syzygy reader says so and goes on with
// the Gaviota tables.
TEST_F(Probe, AMissingSyzygyReaderLeavesTheOtherTables) {
    options.debug_mode = 1;
    use_syzygy_reader("libjux-no-such-reader.so.1");
    testing::internal::CaptureStdout();
    const int found = register_tablebase_path(syzygy_dir() + ";" + gaviota_dir());
    const std::string output = testing::internal::GetCapturedStdout();
    options.debug_mode = 0;
    EXPECT_EQ(found, 4);
    EXPECT_NE(output.find("info string Syzygy tablebases left out: the reader libjux-no-such-reader.so.1 "
                          "cannot be loaded (libjux-no-such-reader.so.1: cannot open shared object file"),
              std::string::npos)
        << output;
    EXPECT_EQ(probe_fen("8/8/4K3/8/8/8/3k4/R7 w - - 0 1"), 29978);  // Gaviota's KRK
    const char* only_syzygy = "8/8/8/4k3/8/8/3PB3/4K3 w - - 0 1";   // KBPK
    EXPECT_EQ(probe_fen(only_syzygy), 30000);
    use_syzygy_reader(nullptr);
    use_both();
    EXPECT_EQ(probe_fen(only_syzygy), 28000);
}

TEST_F(Probe, TheCacheTakesTheGivenSize) {
    TB_STATS stats;
    // A registration that finds nothing leaves the cache.
    const std::tuple<std::string, int, unsigned> rows[] = {
        {gaviota_dir(), 4096, 4096}, {gaviota_dir(), 0, 64}, {"/nonexistent", 8192, 64}};
    for (const auto& [path, kb, expected] : rows) {
        register_tablebase_path(path, kb);
        tbstats_get(&stats);
        EXPECT_EQ(stats.dtm_cachesize / 1024, expected) << path << " " << kb;
    }
}

}  // namespace
