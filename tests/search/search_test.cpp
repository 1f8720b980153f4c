// The search on real positions: mate scores with their exact report lines, draws by rule, extensions.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "board/board_fixture.h"
#include "board/notation.h"
#include "book/book.h"
#include "core/options.h"
#include "core/role.h"
#include "egtb/egtb_fixture.h"
#include "eval/evaluate.h"
#include "frontend/query.h"
#include "search/draw.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/ordering.h"
#include "search/pv.h"
#include "search/root.h"
#include "search/startup.h"
#include "search/timectl.h"

namespace {

constexpr const char* OPENING = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";

class SearchTest : public ::testing::Test {
   protected:
    static void SetUpTestSuite() {
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "s%d", static_cast<int>(getpid()));
        ASSERT_EQ(create_tables(1024, 0), 1024);
        reset_game_state();
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
    void TearDown() override {
        timer.poll_input = 1;
        options.tablebase_pieces = 0;
    }

    // "go depth" on fen after the space-separated game moves; returns the output lines.
    std::vector<std::string> go_depth(const char* fen, int depth, const char* moves = "",
                                      const char* search_moves = "") {
        setup_position(fen);
        std::istringstream game(moves);
        for (std::string m; game >> m;) {
            const int ply = pos.game_ply;
            enter_game_move(m.c_str());
            EXPECT_EQ(pos.game_ply, ply + 1) << m;
        }
        limits.clock_side = pos.side_to_move;
        limits.time_mode = TIME_FIXED;
        limits.clock_ms[pos.side_to_move] = INFINITE_TIME_MS;
        limits.max_depth = depth;
        limits.node_limit = 0;
        std::snprintf(limits.search_moves_text, sizeof limits.search_moves_text, "%s", search_moves);
        pv.ponder_move_text[0] = 0;
        testing::internal::CaptureStdout();
        result = start_search(0);
        std::istringstream out(testing::internal::GetCapturedStdout());
        std::vector<std::string> lines;
        for (std::string line; std::getline(out, line);) lines.push_back(line);
        return lines;
    }

    // A real search's resets without an iteration, for calling search_node directly.
    void prepare_direct_search(const char* fen, int iteration_depth) {
        go_depth(fen, 0);
        clear_hash_tables();
        for (MoveEntry*& start : search.ply_list_start) start = search.move_buffer;
        search.iteration_depth = iteration_depth;
        search.root_score = 0;
    }

    int result = 0;
};

}  // namespace

TEST_F(SearchTest, MatesFoundAtTheirDepthsWithTheExactReport) {
    std::string shuffle;  // 99 plies without a capture or a pawn move
    for (int i = 0; i < 24; i++) shuffle += "h8g8 a1a2 g8h8 a2a1 ";
    shuffle += "h8g8 a1a2 g8h8";
    constexpr const char* QUEEN_MATES = "7k/8/8/4K3/8/8/8/1Q6 w - - 0 1";
    constexpr const char* ROOK_MATES = "7k/8/6K1/8/8/8/8/R7";
    constexpr const char* PAWNS = "7k/4K1pp/8/8/8/8/8/R7 b - - 98 80";
    // The last report without its nodes and time; best and ponder move are the first two of its PV.
    // A row searches on what the rows before it left in the tables unless `fresh`.
    const struct {
        std::string fen;
        const char *moves, *search_moves;
        bool fresh;
        int depth, score;
        const char* report;
    } cases[] = {
        {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", "", "", false, 1, MATE_SCORE - 2,
         "mate 1  depth 1 seldepth 2 pv d1d8  "},
        {"r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1", "", "", false, 5, MATE_SCORE - 6,
         "mate 3  depth 5 seldepth 21 pv f8c5  d4c5  f6b6  c5d5  b6d6  "},
        // Mated at ply 3 is -29997, and 3 / 2 truncates to 1; three blanks after a negative mate.
        {"7k/8/8/8/8/1r6/r7/7K w - - 0 1", "", "", false, 2, 3 - MATE_SCORE,
         "mate -1   depth 2 seldepth 4 pv h1g1  b3b1  "},
        // A mate on the hundredth reversible ply stands; the game, drawn by a third repetition, still mates.
        {std::string(ROOK_MATES) + " b - - 0 1", shuffle.c_str(), "", false, 3, 0,
         "mate 1  depth 3 seldepth 2 pv a2a8  "},
        {std::string(ROOK_MATES) + " w - - 99 80", "", "", false, 3, MATE_SCORE - 2,
         "mate 1  depth 3 seldepth 2 pv a1a8  "},
        {std::string(ROOK_MATES) + " b - - 98 80", "", "", false, 3, 3 - MATE_SCORE,
         "mate -1   depth 3 seldepth 3 pv h8g8  a1a8  "},
        {PAWNS, "", "h8g8", false, 4, 3 - MATE_SCORE, "mate -1   depth 4 seldepth 3 pv h8g8  a1a8  "},
        {PAWNS, "", "", false, 4, -234, "cp -232  depth 4 seldepth 6 pv h7h5  a1a8  h8h7  "},
        // Warm tables: the mate in two found two plies down before, searched again, and by the mated side.
        {QUEEN_MATES, "b1g1 h8h7", "", true, 8, MATE_SCORE - 4,
         "mate 2  depth 8 seldepth 7 pv e5f6  h7h6  g1h1  "},
        {QUEEN_MATES, "", "", true, 10, MATE_SCORE - 6,
         "mate 3  depth 10 seldepth 7 pv b1g1  h8h7  e5f6  h7h8  g1g7  "},
        {QUEEN_MATES, "b1g1 h8h7", "", false, 8, MATE_SCORE - 4,
         "mate 2  depth 8 seldepth 4 pv e5f6  h7h8  g1g7  "},
        {QUEEN_MATES, "b1g1 h8h7", "", false, 8, MATE_SCORE - 4,
         "mate 2  depth 8 seldepth 3 pv e5f6  h7h8  g1g7  "},
        {QUEEN_MATES, "b1g1", "", false, 8, 5 - MATE_SCORE,
         "mate -2   depth 8 seldepth 5 pv h8h7  e5f6  h7h8  g1g7  "},
    };
    for (const auto& c : cases) {
        if (c.fresh) {
            clear_hash_tables();
            clear_eval_caches();
        }
        const std::vector<std::string> lines = go_depth(c.fen.c_str(), c.depth, c.moves, c.search_moves);
        std::string report;
        for (const std::string& line : lines)
            if (line.starts_with("info score ") && line.find(" pv ") != std::string::npos) report = line;
        SCOPED_TRACE(c.fen + " moves " + c.moves + " searchmoves " + c.search_moves + "\n" + report);
        EXPECT_EQ(std::regex_replace(report, std::regex(" nodes \\d+ time \\d+"), ""),
                  std::string("info score ") + c.report);
        EXPECT_EQ(result, c.score);
        std::istringstream pv_moves(report.substr(report.find(" pv ") + 4));
        std::string best, ponder;
        pv_moves >> best >> ponder;
        EXPECT_EQ(pv.best_move_text, best);
        EXPECT_EQ(pv.ponder_move_text, ponder);
        // Each iteration is framed by two depth lines, and none goes deeper.
        EXPECT_EQ(lines.front(), "info depth 1 seldepth 0");
        EXPECT_TRUE(lines.back().starts_with("info depth " + std::to_string(c.depth) + " seldepth "));
    }
    // The position query reads the same distances: two plies down the last PV, the queen mates at once.
    testing::internal::CaptureStdout();
    query_position("7k/8/5K2/8/8/8/8/6Q1 w - - 0 1");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "response position move g1g7  score mate 1 \n");
}

TEST_F(SearchTest, MateAndStalemateFromAFullWidthNode) {
    prepare_direct_search("7k/8/8/8/8/8/1qq5/K7 w - - 0 1", 3);
    EXPECT_EQ(search_node(WHITE, 1, 0, 1, 0), 1 - MATE_SCORE);
    EXPECT_EQ(search_node(WHITE, 2, 0, 1, 0), 2 - MATE_SCORE);
    // Stalemate is 0 in a full-width node, but a capture-only quiescence node stands pat.
    prepare_direct_search("7k/8/8/8/8/8/2q5/K7 w - - 0 1", 3);
    EXPECT_EQ(search_node(WHITE, 2, -5000, 1, 0), 0);
    int in_check = 0, tb = 0;
    const int static_score = evaluate(WHITE, 2, in_check, tb);
    EXPECT_NE(static_score, 0);
    EXPECT_EQ(search_node(WHITE, 2, 5000, 0, 0), static_score);
}

TEST_F(SearchTest, RepetitionIsADrawBelowTheRootOnceButInTheGameThrice) {
    prepare_direct_search(START_FEN, 3);
    // Back to the position after e4, the last irreversible move, four plies on.
    for (const char* m : {"e2e4", "g8f6", "g1f3", "f6g8", "f3g1"}) enter_game_move(m);
    EXPECT_EQ(is_draw_by_rule(2), 1);
    EXPECT_EQ(is_draw_by_rule(1), 0);  // the root is always searched
    EXPECT_EQ(game_drawn_by_rule(), 0);
    EXPECT_EQ(search_node(BLACK, 2, 50, 2, 0), 0);
    EXPECT_EQ(search.node_count, 1u);
    for (const char* m : {"g8f6", "g1f3", "f6g8", "f3g1"}) enter_game_move(m);
    EXPECT_EQ(game_drawn_by_rule(), 1);
    // A null move of the search (key 0) breaks the chain where it stands.
    pos.move_history[5].key_high = 0;
    EXPECT_EQ(is_draw_by_rule(2), 0);
}

TEST_F(SearchTest, FiftyMoveRuleYieldsToMate) {
    // Whether the rule fires below the root, what a node at ply 2 then returns, whether the game is drawn.
    const struct {
        const char* fen;
        int fires, tree_score, game_drawn;
    } rows[] = {
        {"8/8/4k3/8/8/3QK3/8/8 w - - 100 60", 1, 0, 1},
        {"8/8/4k3/8/8/3QK3/8/8 w - - 99 60", 0, 0, 0},
        {"R6k/8/6K1/8/8/8/8/8 b - - 100 80", 1, 2 - MATE_SCORE, 0},
        {"R6k/8/5K2/8/8/8/8/8 b - - 100 80", 1, 0, 1},   // in check, but h7 is free
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 100 80", 1, 0, 1},  // stalemate
    };
    for (const auto& r : rows) {
        prepare_direct_search(r.fen, 3);
        EXPECT_EQ(is_draw_by_rule(1), 0) << r.fen;
        EXPECT_EQ(is_draw_by_rule(2), r.fires) << r.fen;
        EXPECT_EQ(game_drawn_by_rule(), r.game_drawn) << r.fen;
        if (r.fires) {
            EXPECT_EQ(search_node(pos.side_to_move, 2, 0, 1, 0), r.tree_score) << r.fen;
        }
    }
}

TEST_F(SearchTest, TablebaseMatesCountFromTheRootLikeSearchedOnes) {
    REQUIRE_SHARED_TABLEBASES();
    options.use_tablebases = 1;
    const int pieces = register_tablebase_path(syzygy_dir() + ";" + gaviota_dir());
    ASSERT_EQ(pieces, 4);
    // White to move at ply 2 mates at once (mated at ply 3), or in two moves (ply 5).
    for (const auto& [fen, depth, score] :
         {std::tuple{"7k/8/6K1/8/8/8/8/1Q6 w - - 0 1", 1, MATE_SCORE - 3},
          std::tuple{"8/7k/8/4K3/8/8/8/6Q1 w - - 0 1", 4, MATE_SCORE - 5}}) {
        for (const int tables : {0, pieces}) {
            options.tablebase_pieces = tables;
            prepare_direct_search(fen, 5);
            EXPECT_EQ(search_node(WHITE, 2, score, depth, 0), score) << fen << " tables " << tables;
        }
    }
}

TEST_F(SearchTest, ExtensionRules) {
    // Check extends only above depth 1, and never with Brute Force on.
    for (const int brute_force : {0, 1}) {
        for (const int depth : {1, 2}) {
            options.brute_force = brute_force;
            prepare_direct_search("4r1k1/5ppp/8/8/8/8/5PPP/4K3 w - - 0 1", 3);
            search_node(WHITE, 3, 0, depth, 0);
            EXPECT_EQ(search.extension_flags[3], brute_force == 0 && depth == 2 ? 2 : 0)
                << brute_force << depth;
        }
    }
    options.brute_force = 0;
    // A pawn to the second rank in a light ending (not by a capture); a recapture of the same kind near the
    // root.
    const struct {
        const char *fen, *move;
        int two_back, one_back, depth, ply, expected, flag;
    } rows[] = {
        {"k7/8/8/8/8/3p4/8/7K b - - 0 1", "d3d2", 0, 0, 3, 3, 4, 4},
        {"k7/8/8/8/3p4/2N5/8/7K b - - 0 1", "d4c3", 0, 0, 2, 3, 2, 0},
        // Four queens carry out of the signature's twelve bits: the material table sees no queen.
        {"4k3/8/8/8/8/3p4/8/QQQQK3 b - - 0 1", "d3d2", 0, 0, 3, 3, 4, 4},
        {OPENING, nullptr, BISHOP, KNIGHT, 3, 4, 4, 1},
        {OPENING, nullptr, KNIGHT, KNIGHT, 3, 6, 3, 0},  // too far from the root
    };
    for (const auto& r : rows) {
        prepare_direct_search(r.fen, 6);
        if (r.move) enter_game_move(r.move);
        pos.captured_at_ply[r.ply - 2] = r.two_back;
        pos.captured_at_ply[r.ply - 1] = r.one_back;
        search.static_eval[r.ply] = 0;
        EXPECT_EQ(extend_depth(WHITE, r.depth, 0, r.ply), r.expected) << (&r - rows);
        EXPECT_EQ(search.extension_flags[r.ply], r.flag) << (&r - rows);
    }
}

TEST_F(SearchTest, OnlyWorkersRandomiseTheOrderAfterAFailLow) {
    for (int master : {0, 1}) {
        prepare_direct_search(OPENING, 3);
        store_hash(WHITE, 3, -100, 1, 0, 0);  // the last result here was a fail-low
        role.is_master = master;
        search_node(WHITE, 3, -200, 2, 0);
        EXPECT_EQ(ordering.picker_stage[3] == PICK_RANDOM, master == 0) << "master " << master;
        role.is_master = 1;
    }
}
