// The search on real positions: mate scores with their exact report lines,
// draws by rule, and the node rules that can be seen from outside a node.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
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
#include "search/startup.h"
#include "search/node.h"
#include "search/ordering.h"
#include "search/pv.h"
#include "search/root.h"
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
        options.tablebase_pieces = 0;  // tests run later in this process probe nothing
    }

    // A fixed-depth search of fen as "go depth" runs it; returns its output lines.
    // The game moves and "searchmoves" list are space-separated move texts.
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

    // Every per-search reset of a real search, without an iteration, for
    // tests that call search_node directly.
    void prepare_direct_search(const char* fen, int iteration_depth) {
        go_depth(fen, 0);
        clear_hash_tables();
        for (MoveEntry*& start : search.ply_list_start) start = search.move_buffer;  // any ply may be first
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
    // The last report begins with `report` and its PV with `pv`. A row
    // searches on what the rows before it left in the tables unless `fresh`.
    const struct {
        const char *fen, *moves, *search_moves;
        bool fresh;
        const char *report, *pv, *best, *ponder;
        int depth;
        std::optional<int> score;  // none: a centipawn score
    } cases[] = {
        {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", "", "", false,
         "info score mate 1  depth 1 seldepth 2 nodes ", " pv d1d8  ", "d1d8", "", 1, MATE_SCORE - 2},
        // 1. Nf6+ gxf6 2. Bxf7#
        {"r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 10", "", "", false,
         "info score mate 2  depth 3 seldepth ", " pv d5f6  g7f6  c4f7  ", "d5f6", "g7f6", 3, MATE_SCORE - 4},
        // 1... Bc5+ 2. Kxc5 Qb6+ 3. Kd5 Qd6#
        {"r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1", "", "", false,
         "info score mate 3  depth 5 seldepth ", " pv f8c5  d4c5  f6b6  ", "f8c5", "d4c5", 5, MATE_SCORE - 6},
        // The only move Kg1 is answered by Rb1#: mated at ply 3, -29997,
        // and 3 / 2 truncates to 1. Three blanks after a negative mate.
        {"7k/8/8/8/8/1r6/r7/7K w - - 0 1", "", "", false, "info score mate -1   depth 2 seldepth ",
         " pv h1g1  b3b1  ", "h1g1", "b3b1", 2, 3 - MATE_SCORE},

        // A mate on the hundredth reversible ply stands. Here the game
        // position has also come round a third time: the game is drawn, but
        // the move to play is still the mate.
        {"7k/8/6K1/8/8/8/8/R7 b - - 0 1", shuffle.c_str(), "", false, "info score mate 1  depth 3 ",
         " pv a2a8  ", "a2a8", "", 3, 0},
        {"7k/8/6K1/8/8/8/8/R7 w - - 99 80", "", "", false, "info score mate 1  depth 3 ", " pv a1a8  ",
         "a1a8", "", 3, MATE_SCORE - 2},
        {"7k/8/6K1/8/8/8/8/R7 b - - 98 80", "", "", false, "info score mate -1   depth 3 ",
         " pv h8g8  a1a8  ", "h8g8", "a1a8", 3, 3 - MATE_SCORE},
        // Kg8 walks into Ra8 mate; a pawn move makes room for the king and
        // restarts the count.
        {"7k/4K1pp/8/8/8/8/8/R7 b - - 98 80", "", "h8g8", false, "info score mate -1   depth 4 ",
         " pv h8g8  a1a8  ", "h8g8", "a1a8", 4, 3 - MATE_SCORE},
        // clang-format off
        {"7k/4K1pp/8/8/8/8/8/R7 b - - 98 80", "", "", false, "info score cp ", " pv h7h5  ", "h7h5", "a1a8", 4, {}},
        // clang-format on

        // Mate distances read from warm tables: the mate in two found two
        // plies down in the search before, searched once more, and seen by
        // the mated side.
        {QUEEN_MATES, "b1g1 h8h7", "", true, "info score mate 2  depth 8 ", " pv e5f6  h7h6  g1h1  ", "e5f6",
         "h7h6", 8, MATE_SCORE - 4},
        {QUEEN_MATES, "", "", true, "info score mate 3  depth 10 ", " pv b1g1  h8h7  e5f6  h7h8  g1g7  ",
         "b1g1", "h8h7", 10, MATE_SCORE - 6},
        {QUEEN_MATES, "b1g1 h8h7", "", false, "info score mate 2  depth 8 ", " pv e5f6  h7h8  g1g7  ", "e5f6",
         "h7h8", 8, MATE_SCORE - 4},
        {QUEEN_MATES, "b1g1 h8h7", "", false, "info score mate 2  depth 8 ", " pv e5f6  h7h8  g1g7  ", "e5f6",
         "h7h8", 8, MATE_SCORE - 4},
        {QUEEN_MATES, "b1g1", "", false, "info score mate -2   depth 8 ", " pv h8h7  e5f6  h7h8  g1g7  ",
         "h8h7", "e5f6", 8, 5 - MATE_SCORE},
    };
    for (const auto& c : cases) {
        if (c.fresh) {
            clear_hash_tables();
            clear_eval_caches();
        }
        const std::vector<std::string> lines = go_depth(c.fen, c.depth, c.moves, c.search_moves);
        std::string report;
        for (const std::string& line : lines)
            if (line.starts_with("info score ") && line.find(" pv ") != std::string::npos) report = line;
        SCOPED_TRACE(std::string(c.fen) + " moves " + c.moves + " searchmoves " + c.search_moves + "\n" +
                     report);
        ASSERT_FALSE(report.empty());
        EXPECT_TRUE(report.starts_with(c.report));
        EXPECT_NE(report.find(c.pv), std::string::npos);
        EXPECT_TRUE(report.ends_with("  "));
        if (c.score) {
            EXPECT_EQ(result, *c.score);
        }
        EXPECT_STREQ(pv.best_move_text, c.best);
        EXPECT_STREQ(pv.ponder_move_text, c.ponder);
        // Each iteration is framed by two depth lines, and none goes deeper.
        EXPECT_EQ(lines.front(), "info depth 1 seldepth 0");
        EXPECT_TRUE(lines.back().starts_with("info depth " + std::to_string(c.depth) + " seldepth "));
    }
    // The position query reads the same distances: two plies down the last
    // PV, the queen mates at once.
    testing::internal::CaptureStdout();
    query_position("7k/8/5K2/8/8/8/8/6Q1 w - - 0 1");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "response position move g1g7  score mate 1 \n");
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
    EXPECT_NE(static_score, 0);
    EXPECT_EQ(search_node(WHITE, 2, 5000, 0, 0), static_score);
}

TEST_F(SearchTest, RepetitionIsADrawBelowTheRootOnceButInTheGameThrice) {
    prepare_direct_search(START_FEN, 3);
    // Back to the position after e4, the last irreversible move, four plies on.
    for (const char* m : {"e2e4", "g8f6", "g1f3", "f6g8", "f3g1"}) enter_game_move(m);
    EXPECT_EQ(is_draw_by_rule(2), 1);
    EXPECT_EQ(is_draw_by_rule(1), 0);    // the root is always searched
    EXPECT_EQ(game_drawn_by_rule(), 0);  // second occurrence only
    EXPECT_EQ(search_node(BLACK, 2, 50, 2, 0), 0);
    EXPECT_EQ(search.node_count, 1u);
    search.node_count = 0;
    search_node(BLACK, 1, 50, 2, 0);
    EXPECT_GT(search.node_count, 1u);

    for (const char* m : {"g8f6", "g1f3", "f6g8", "f3g1"}) enter_game_move(m);
    EXPECT_EQ(game_drawn_by_rule(), 1);  // third occurrence
    // A null move of the search (key 0) breaks the chain where it stands.
    pos.move_history[5].key_high = 0;
    EXPECT_EQ(is_draw_by_rule(2), 0);
}

TEST_F(SearchTest, FiftyMoveRuleYieldsToMate) {
    // Whether the rule fires below the root, what a node at ply 2 then
    // returns, and whether the game is drawn.
    const struct {
        const char* fen;
        int fires, tree_score, game_drawn;
    } rows[] = {
        {"8/8/4k3/8/8/3QK3/8/8 w - - 100 60", 1, 0, 1},
        {"8/8/4k3/8/8/3QK3/8/8 w - - 99 60", 0, 0, 0},
        {"R6k/8/6K1/8/8/8/8/8 b - - 100 80", 1, 2 - MATE_SCORE, 0},  // mated on the hundredth ply
        {"R6k/8/5K2/8/8/8/8/8 b - - 100 80", 1, 0, 1},               // in check, but h7 is free
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 100 80", 1, 0, 1},              // stalemate
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
    // White to move at ply 2 mates at once (the black king is mated at ply
    // 3), or in two moves after b1g1 h8h7 of the queen ending above (ply 5);
    // the tables must give the score the search finds without them.
    const struct {
        const char* fen;
        int depth, bound, score;
    } rows[] = {
        {"7k/8/6K1/8/8/8/8/1Q6 w - - 0 1", 1, MATE_SCORE - 3, MATE_SCORE - 3},
        {"8/7k/8/4K3/8/8/8/6Q1 w - - 0 1", 4, MATE_SCORE - 5, MATE_SCORE - 5},
    };
    options.use_tablebases = 1;
    const int pieces = register_tablebase_path(syzygy_dir() + ";" + gaviota_dir());
    ASSERT_EQ(pieces, 4);
    for (const auto& r : rows) {
        for (const int tables : {0, pieces}) {
            options.tablebase_pieces = tables;
            prepare_direct_search(r.fen, 5);
            EXPECT_EQ(search_node(WHITE, 2, r.bound, r.depth, 0), r.score) << r.fen << " tables " << tables;
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

    // Pawn push: black's pawn nears promotion in a light ending. Recapture:
    // the last two moves took pieces of the same kind, or a knight and a
    // bishop, near the root while the score is not high.
    const struct {
        const char *fen, *move;
        int two_back, one_back, depth, ply, expected, flag;
    } rows[] = {
        {"k7/8/8/8/8/3p4/8/7K b - - 0 1", "d3d2", 0, 0, 3, 3, 4, 4},    // to the second rank
        {"k7/8/8/8/3p4/2N5/8/7K b - - 0 1", "d4c3", 0, 0, 2, 3, 2, 0},  // a capture there does not count
        // Four queens carry out of the signature's twelve bits: the material
        // table sees no queen, as the rest of the engine does.
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

TEST_F(SearchTest, KingZoneCountsFreeAndAttackedEmptySquares) {
    // White king g1 behind its pawns; a knight on g3 covers f1 and h1.
    for (const auto& [fen, free, attacked] : {std::tuple{"6k1/8/8/8/8/6n1/5PPP/6K1 w - - 0 1", 0, 2},
                                              std::tuple{"6k1/8/8/8/8/8/5PPP/6K1 w - - 0 1", 2, 0}}) {
        setup_position(fen);
        build_attack_table(BLACK);
        EXPECT_EQ(king_zone_count(WHITE, 0), free) << fen;
        EXPECT_EQ(king_zone_count(WHITE, 1), attacked) << fen;
    }
}

TEST_F(SearchTest, OnlyWorkersRandomiseTheOrderAfterAFailLow) {
    for (int master : {0, 1}) {
        prepare_direct_search(OPENING, 3);
        ordering.picker_stage[3] = -1;
        store_hash(WHITE, 3, -100, 1, 0, 0);  // the last result here was a fail-low
        role.is_master = master;
        search_node(WHITE, 3, -200, 2, 0);
        EXPECT_NE(ordering.picker_stage[3], -1) << "master " << master;
        EXPECT_EQ(ordering.picker_stage[3] == 5, master == 0) << "master " << master;
        role.is_master = 1;
    }
}

// A worker's bounds: strides of 1, 2, 4 below a known upper bound (or above a
// known lower one), then halving the bracket, never outside it.
TEST(WorkerBound, StridesAheadThenHalvesTheBracket) {
    int stride = 1;
    EXPECT_EQ(worker_bound(-MATE_SCORE, -3, stride), -4);
    EXPECT_EQ(stride, 2);
    EXPECT_EQ(worker_bound(-MATE_SCORE, -5, stride), -7);
    EXPECT_EQ(worker_bound(-MATE_SCORE, -8, stride), -12);
    EXPECT_EQ(stride, 8);
    EXPECT_EQ(worker_bound(-12, -8, stride), -10);
    EXPECT_EQ(worker_bound(-10, -9, stride), -9);
    EXPECT_EQ(stride, 8);
    stride = 1;
    EXPECT_EQ(worker_bound(4, MATE_SCORE, stride), 6);
    EXPECT_EQ(worker_bound(6, MATE_SCORE, stride), 9);
    EXPECT_EQ(worker_bound(-MATE_SCORE, 1 - MATE_SCORE, stride), 1 - MATE_SCORE);
    EXPECT_EQ(worker_bound(MATE_SCORE - 2, MATE_SCORE, stride), MATE_SCORE);
}
