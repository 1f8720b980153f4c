// Probes of the real tables: distances to mate, the en-passant rule, positions the readers cannot take.
#include <algorithm>

#include "board/notation.h"
#include "data_rows.h"
#include "egtb/syzygy.h"
#include "egtb_fixture.h"

namespace {

class Probe : public ::testing::Test {
   protected:
    void SetUp() override { REQUIRE_SHARED_TABLEBASES(); }
    void TearDown() override { register_tablebase_path("/nonexistent"); }
    static std::string path(char which) {
        return which == 'g'   ? gaviota_dir()
               : which == 's' ? syzygy_dir()
                              : syzygy_dir() + ";" + gaviota_dir();
    }
    static void use(char which) { ASSERT_EQ(register_tablebase_path(path(which)), 4) << path(which); }
};

TEST_F(Probe, ScoresOfKnownPositions) {
    tb_counters.probe_count = 0;
    int probes = 0;
    for (const auto& row : data_rows("egtb/data/known_scores.txt")) {
        use(row[0][0]);
        EXPECT_EQ(probe_fen(row[1].c_str()), std::stoi(row[2])) << row[1] << " in " << path(row[0][0]);
        probes++;
    }
    EXPECT_EQ(tb_counters.probe_count, probes) << "every call counts";
    // No pawn beside the one that has just made its double step; only the side to move takes en passant.
    for (char tables : {'g', 's'}) {
        use(tables);
        EXPECT_EQ(probe_fen("1K6/8/8/1P3p2/8/8/8/3k4 w - f6 0 1"),
                  probe_fen("1K6/8/8/1P3p2/8/8/8/3k4 w - - 0 1"));
        tb_setup("1K6/8/8/4Pp2/8/8/8/3k4 w - - 0 1");
        EXPECT_EQ(tb_probe(BLACK, F6), tb_probe(BLACK, 0));
    }
}

// A win scores its best move, a loss its best move + 2, a draw its best; Syzygy agrees with Gaviota.
TEST_F(Probe, DistancesToMateAgreeWithTheMovesAndBetweenTheTables) {
    use('b');
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
            if (best == -100000) {  // mate or stalemate
                const bool in_check = is_attacked(pos.piece_list[pos.side_to_move][0], pos.side_to_move ^ 1);
                EXPECT_EQ(score, in_check ? -29998 : 0) << fen;
            } else {
                EXPECT_EQ(score > 0 ? best : score < 0 ? best + 2 : best, score) << fen;
                positions++;
            }
        }
    }
    EXPECT_GT(positions, 700);
    std::vector<std::string> fens;
    for (const char* men :
         {"KQk", "KRk", "KPk", "KQkr", "KRkr", "KRkp", "KPkp", "KBNk", "KNNk", "KQkq", "kqKR"})
        for (const std::string& fen : legal_positions(men, 60, 77)) fens.push_back(fen);
    std::vector<int> distance_to_mate;
    use('g');
    for (const std::string& fen : fens) distance_to_mate.push_back(probe_fen(fen.c_str()));
    use('s');
    for (size_t i = 0; i < fens.size(); i++) {
        ASSERT_NE(distance_to_mate[i], 30000) << fens[i];
        const int expected = distance_to_mate[i] > 0 ? 28000 : distance_to_mate[i] < 0 ? -28000 : 0;
        EXPECT_EQ(probe_fen(fens[i].c_str()), expected)
            << fens[i] << " distance to mate " << distance_to_mate[i];
    }
}

// The search plays moves that leave its own king attacked; the Syzygy reader aborts on such positions.
TEST_F(Probe, PositionsTheReadersCannotTakeGetNoResult) {
    const struct {
        const char* fen;
        Square from, to;
    } rows[] = {
        {"1k6/8/8/8/8/8/1K6/R7 b - - 0 1", B8, A8},  // onto the rook's file
        {"8/8/P7/8/8/8/5K2/7k b - - 0 1", H1, G1},   // beside the other king
        {"8/8/8/8/8/8/1K3q2/7k w - - 0 1", B2, C2},  // into the queen's rank
    };
    for (char tables : {'s', 'g', 'b'}) {
        use(tables);
        for (const auto& row : rows) {
            ASSERT_TRUE(tb_setup(row.fen)) << row.fen;
            const int side = pos.side_to_move;
            make_move(make_move_code(row.from, row.to, MOVE_QUIET), side, 1);
            EXPECT_EQ(tb_probe(side ^ 1, 0), 30000) << row.fen << " in " << path(tables);
            char moves[256];
            pos.side_to_move = side ^ 1;
            EXPECT_EQ(tb_root_moves(side ^ 1, 0, moves, sizeof moves), 0)
                << row.fen << " in " << path(tables);
        }
    }
}

}  // namespace
