// The search on real positions: mate scores with their exact report lines,
// the node rules that can be seen from outside a node, and the stop path.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "board/board_fixture.h"
#include "board/notation.h"
#include "book/book.h"
#include "eval/evaluate.h"
#include "eval/phase_pst.h"
#include "frontend/options.h"
#include "frontend/roles.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/ordering.h"
#include "search/pv_draw.h"
#include "search/root.h"
#include "search/timectl.h"

namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

bool starts_with(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

bool ends_with(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The root reports ("info score ... depth ..."), in order.
std::vector<std::string> reports(const std::string& output) {
    std::vector<std::string> out;
    for (const std::string& line : lines_of(output))
        if (starts_with(line, "info score ") && line.find(" depth ") != std::string::npos)
            out.push_back(line);
    return out;
}

class SearchTest : public ::testing::Test {
   protected:
    static void SetUpTestSuite() {
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "s%d", static_cast<int>(getpid()));
        ASSERT_EQ(create_tables(1024, 0), 1024);
    }
    static void TearDownTestSuite() { release_tables(); }

    void SetUp() override {
        role.is_master = 1;
        timer.poll_input = 0;
        options.null_move = 1;
        options.style = STYLE_NORMAL;
        options.brute_force = 0;
        options.tablebase_pieces = 0;
        book.book_in_use = 0;
        clear_hash_tables();
        clear_eval_caches();
        search.root_score = search.previous_search_score = 0;
    }
    void TearDown() override { timer.poll_input = 1; }

    // A fixed-depth search of fen as "go depth" runs it; returns what it printed.
    std::string go_depth(const char* fen, int depth, int64_t node_limit = 0) {
        setup_position(fen);
        limits.clock_side = pos.side_to_move;
        limits.time_mode = TIME_FIXED;
        limits.clock_ms[pos.side_to_move] = INFINITE_TIME_MS;
        limits.max_depth = depth;
        limits.node_limit = node_limit;
        limits.search_moves_text[0] = 0;
        pv.ponder_move_text[0] = 0;
        testing::internal::CaptureStdout();
        result = start_search(0);
        return testing::internal::GetCapturedStdout();
    }

    // The state run_search sets up before its first root call, for tests
    // that call search_node directly.
    void prepare_direct_search(const char* fen, int iteration_depth) {
        setup_position(fen);
        search.node_count = 0;
        search.search_active.store(1);
        search.abort_armed = 0;
        search.sel_depth = 0;
        search.iteration_depth = iteration_depth;
        search.on_first_path = 0;
        search.root_score = 0;
        limits.node_limit = 0;
        limits.pondering.store(0);
        limits.search_moves_text[0] = 0;
        timer.next_check = 1000;
        timer.target_time = timer.hard_limit = 1e300;
        prepare_evaluation();
        clear_killers();
        clear_history();
        recompute_pst_sum();
        for (int ply = 0; ply <= MAX_PLY; ply++) {
            search.ply_list_start[ply] = search.move_buffer;
            search.ep_square_at_ply[ply] = 0;
            search.check_slot[ply] = 0;
            search.extension_flags[ply] = 0;
            pos.captured_at_ply[ply] = 0;
        }
        hash_tables.search_id++;
    }

    int result = 0;
};

}  // namespace

TEST_F(SearchTest, MateInOneAtDepthOne) {
    const std::string out = go_depth("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 1);
    const std::vector<std::string> lines = lines_of(out);
    ASSERT_EQ(lines.size(), 3u) << out;
    EXPECT_EQ(lines[0], "info depth 1 seldepth 0");
    EXPECT_TRUE(starts_with(lines[1], "info score mate 1  depth 1 seldepth 2 nodes ")) << lines[1];
    EXPECT_TRUE(ends_with(lines[1], " pv d1d8  ")) << lines[1];
    EXPECT_EQ(lines[2], "info depth 1 seldepth 2");
    EXPECT_EQ(result, MATE_SCORE - 2);
    EXPECT_STREQ(pv.best_move_text, "d1d8");
    EXPECT_STREQ(pv.ponder_move_text, "");
}

TEST_F(SearchTest, MateInTwoAtDepthThree) {
    // 1. Nf6+ gxf6 2. Bxf7#
    go_depth("r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 10", 3);
    EXPECT_EQ(result, MATE_SCORE - 4);
    EXPECT_STREQ(pv.best_move_text, "d5f6");
    EXPECT_STREQ(pv.ponder_move_text, "g7f6");
}

TEST_F(SearchTest, MateInTwoReportLine) {
    const std::string out = go_depth("r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 10", 3);
    const std::vector<std::string> r = reports(out);
    ASSERT_FALSE(r.empty()) << out;
    EXPECT_TRUE(starts_with(r.back(), "info score mate 2  depth 3 seldepth ")) << r.back();
    EXPECT_TRUE(ends_with(r.back(), " pv d5f6  g7f6  c4f7  ")) << r.back();
}

TEST_F(SearchTest, MateInThreeAtDepthFive) {
    // 1... Bc5+ 2. Kxc5 Qb6+ 3. Kd5 Qd6#
    const std::string out = go_depth("r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1", 5);
    const std::vector<std::string> r = reports(out);
    ASSERT_FALSE(r.empty()) << out;
    EXPECT_TRUE(starts_with(r.back(), "info score mate 3  depth 5 seldepth ")) << r.back();
    EXPECT_NE(r.back().find(" pv f8c5  d4c5  f6b6  "), std::string::npos) << r.back();
    EXPECT_EQ(result, MATE_SCORE - 6);
    EXPECT_STREQ(pv.best_move_text, "f8c5");
    EXPECT_STREQ(pv.ponder_move_text, "d4c5");
}

TEST_F(SearchTest, BeingMatedPrintsTheNegativeMateWithThreeSpaces) {
    // The only move Kg1 is answered by Rb1#: mated at ply 3, -29997, and
    // 3 / 2 truncates to 1.
    const std::string out = go_depth("7k/8/8/8/8/1r6/r7/7K w - - 0 1", 2);
    const std::vector<std::string> r = reports(out);
    ASSERT_FALSE(r.empty()) << out;
    EXPECT_TRUE(starts_with(r.back(), "info score mate -1   depth 2 seldepth ")) << r.back();
    EXPECT_TRUE(ends_with(r.back(), " pv h1g1  b3b1  ")) << r.back();
    EXPECT_EQ(result, 3 - MATE_SCORE);
    EXPECT_STREQ(pv.best_move_text, "h1g1");
    EXPECT_STREQ(pv.ponder_move_text, "b3b1");
}

TEST_F(SearchTest, InfoDepthTwicePerIterationAndBoundLinesOnlyFromDepthSix) {
    const std::string out = go_depth("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 6);
    int depth_lines[7] = {};
    int current = 0;
    for (const std::string& line : lines_of(out)) {
        int d, sel;
        if (std::sscanf(line.c_str(), "info depth %d seldepth %d", &d, &sel) == 2 &&
            line.find("nodes") == std::string::npos) {
            depth_lines[d]++;
            current = d;
            continue;
        }
        const bool bound_line = starts_with(line, "info score ") && line.find(" depth ") == std::string::npos;
        const bool currmove = starts_with(line, "info currmove ");
        if (bound_line || currmove) {
            EXPECT_EQ(current, 6) << line;
        }
        if (currmove) {
            EXPECT_NE(line.find(" currmovenumber "), std::string::npos);
        }
    }
    for (int d = 1; d <= 6; d++) EXPECT_EQ(depth_lines[d], 2) << "depth " << d;
}

TEST_F(SearchTest, NodeLimitStopsMidIterationAndKeepsTheReportedMove) {
    const std::string out =
        go_depth("r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 99, 20000);
    // The check after 11001 nodes is within the limit, the one after 21001 is not.
    EXPECT_GT(search.node_count, 21001u);
    EXPECT_LE(search.node_count, 31001u);
    const std::vector<std::string> r = reports(out);
    ASSERT_FALSE(r.empty());
    const size_t at = r.back().find(" pv ");
    ASSERT_NE(at, std::string::npos);
    const std::string first = r.back().substr(at + 4, r.back().find(' ', at + 4) - at - 4);
    EXPECT_EQ(first, pv.best_move_text);
    EXPECT_EQ(search.search_active.load(), 0);
}

TEST_F(SearchTest, MateAndStalemateFromAFullWidthNode) {
    // White to move is mated: ply - 30000.
    prepare_direct_search("7k/8/8/8/8/8/1qq5/K7 w - - 0 1", 3);
    EXPECT_EQ(search_node(WHITE, 1, 0, 1, 0), 1 - MATE_SCORE);
    EXPECT_EQ(search_node(WHITE, 2, 0, 1, 0), 2 - MATE_SCORE);
    // Stalemate scores 0 in a full-width node...
    prepare_direct_search("7k/8/8/8/8/8/2q5/K7 w - - 0 1", 3);
    EXPECT_EQ(search_node(WHITE, 2, -5000, 1, 0), 0);
    // ... but a capture-only quiescence node has no move and stands pat.
    int in_check = 0, tb = 0;
    const int static_score = evaluate(WHITE, 2, in_check, tb);
    EXPECT_EQ(in_check, 0);
    EXPECT_NE(static_score, 0);
    EXPECT_EQ(search_node(WHITE, 2, 5000, 0, 0), static_score);
}

TEST_F(SearchTest, RepetitionScoresZeroBelowTheRootOnly) {
    prepare_direct_search(START_FEN, 3);
    for (const char* m : {"e2e4", "g8f6", "g1f3", "f6g8", "f3g1"}) enter_game_move(m);
    // Black to move in the position after 1. e4, seen before.
    EXPECT_EQ(search_node(BLACK, 2, 50, 2, 0), 0);
    EXPECT_EQ(search.node_count, 1u);
    search.node_count = 0;
    search_node(BLACK, 1, 50, 2, 0);
    EXPECT_GT(search.node_count, 1u);
}

TEST_F(SearchTest, TableCutOffsOnlyFromPlyThree) {
    prepare_direct_search("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 3);
    // A deep lower bound of 500 for this position.
    store_hash(WHITE, 500, 20, 400, 0);
    EXPECT_EQ(search_node(WHITE, 3, 400, 2, 0), 500);
    EXPECT_EQ(search.node_count, 1u);
    for (int ply : {1, 2}) {
        search.node_count = 0;
        search_node(WHITE, ply, 400, 2, 0);
        EXPECT_GT(search.node_count, 1u) << "ply " << ply;
        store_hash(WHITE, 500, 20, 400, 0);
    }
    // An upper bound below the test bound cuts too; a shallow one does not.
    clear_hash_tables();
    store_hash(WHITE, -300, 1, -200, 0);
    search.node_count = 0;
    EXPECT_EQ(search_node(WHITE, 3, -200, 1, 0), -300);
    EXPECT_EQ(search.node_count, 1u);
    search.node_count = 0;
    search_node(WHITE, 3, -200, 2, 0);
    EXPECT_GT(search.node_count, 1u);
}

TEST_F(SearchTest, CheckExtensionAndBruteForce) {
    // White to move in check from the rook on e8.
    prepare_direct_search("4r1k1/5ppp/8/8/8/8/5PPP/4K3 w - - 0 1", 3);
    search_node(WHITE, 3, 0, 2, 0);
    EXPECT_EQ(search.extension_flags[3], 2);
    options.brute_force = 1;
    prepare_direct_search("4r1k1/5ppp/8/8/8/8/5PPP/4K3 w - - 0 1", 3);
    search_node(WHITE, 3, 0, 2, 0);
    EXPECT_EQ(search.extension_flags[3], 0);
}

TEST_F(SearchTest, ExtensionRules) {
    // Check: only above depth 1.
    prepare_direct_search("4r1k1/5ppp/8/8/8/8/5PPP/4K3 w - - 0 1", 3);
    EXPECT_EQ(extend_depth(WHITE, 2, 1, 3), 3);
    EXPECT_EQ(search.extension_flags[3], 2);
    search.extension_flags[3] = 0;
    EXPECT_EQ(extend_depth(WHITE, 1, 1, 3), 1);
    EXPECT_EQ(search.extension_flags[3], 0);

    // Pawn push: a black pawn steps to the second rank in a light ending.
    prepare_direct_search("k7/8/8/8/8/3p4/8/7K b - - 0 1", 3);
    enter_game_move("d3d2");
    EXPECT_EQ(extend_depth(WHITE, 3, 0, 3), 4);
    EXPECT_EQ(search.extension_flags[3], 4);
    search.extension_flags[3] = 0;
    EXPECT_EQ(extend_depth(WHITE, 4, 0, 3), 4);  // too far from the horizon
    // To the third rank it counts only as a quiet move.
    prepare_direct_search("k7/8/8/8/3p4/8/8/7K b - - 0 1", 3);
    enter_game_move("d4d3");
    EXPECT_EQ(extend_depth(WHITE, 2, 0, 3), 3);
    prepare_direct_search("k7/8/8/8/3p4/2N5/8/7K b - - 0 1", 3);
    enter_game_move("d4c3");
    EXPECT_EQ(extend_depth(WHITE, 2, 0, 3), 2);

    // Recapture: the last two moves took pieces of the same kind, or a
    // knight and a bishop, near the root while the score is not high.
    prepare_direct_search("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 6);
    search.static_eval[4] = 0;
    pos.captured_at_ply[3] = KNIGHT;
    pos.captured_at_ply[2] = BISHOP;
    EXPECT_EQ(extend_depth(WHITE, 3, 0, 4), 4);
    EXPECT_EQ(search.extension_flags[4], 1);
    search.extension_flags[4] = 0;
    pos.captured_at_ply[2] = ROOK;
    EXPECT_EQ(extend_depth(WHITE, 3, 0, 4), 3);
    pos.captured_at_ply[2] = KNIGHT;
    EXPECT_EQ(extend_depth(WHITE, 3, 0, 4), 4);
    EXPECT_EQ(extend_depth(WHITE, 3, 0, 6), 3);  // too far from the root
    EXPECT_EQ(extend_depth(WHITE, 2, 0, 4), 2);  // too shallow
    search.static_eval[4] = 50;                  // not below root score + 50
    EXPECT_EQ(extend_depth(WHITE, 3, 0, 4), 3);
}

TEST_F(SearchTest, KingZoneCountsFreeAndAttackedEmptySquares) {
    // White king g1 behind its pawns; the knight on g3 covers f1 and h1.
    setup_position("6k1/8/8/8/8/6n1/5PPP/6K1 w - - 0 1");
    build_attack_table(BLACK);
    EXPECT_EQ(king_zone_count(WHITE, 0), 0);
    EXPECT_EQ(king_zone_count(WHITE, 1), 2);
    setup_position("6k1/8/8/8/8/8/5PPP/6K1 w - - 0 1");
    build_attack_table(BLACK);
    EXPECT_EQ(king_zone_count(WHITE, 0), 2);
    EXPECT_EQ(king_zone_count(WHITE, 1), 0);
}

TEST_F(SearchTest, OnlyWorkersRandomiseTheOrderAfterAFailLow) {
    const char* fen = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";
    for (int master : {0, 1}) {
        prepare_direct_search(fen, 3);
        clear_hash_tables();
        ordering.picker_stage[3] = -1;
        store_hash(WHITE, -100, 1, 0, 0);  // the last result here was a fail-low
        role.is_master = master;
        search_node(WHITE, 3, -200, 2, 0);
        if (master) {
            EXPECT_NE(ordering.picker_stage[3], 5);
        } else {
            EXPECT_EQ(ordering.picker_stage[3], 5);
        }
        role.is_master = 1;
    }
}
