// The search on real positions, time control on a hand-driven clock, and the hash tables.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
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
#include "frontend/query.h"
#include "search/draw.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/ordering.h"
#include "search/pv.h"
#include "search/root.h"
#include "search/timectl.h"
#include "smp/process_watch.h"
#include "uci/engine_process.h"

namespace {

constexpr const char* OPENING = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";

double fake_now = 0;
double fake_clock() {
    return fake_now;
}

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
        set_tick_source(nullptr);
    }

    // "go depth" on a FEN with optional " moves ..." and " searchmoves ..."; returns the output lines.
    std::vector<std::string> go_depth(const std::string& position, int depth) {
        const size_t moves = std::min(position.find(" moves "), position.find(" searchmoves "));
        setup_position(position.substr(0, moves).c_str());
        std::istringstream words(moves == std::string::npos ? "" : position.substr(moves));
        std::string search_moves;
        for (std::string word, kind; words >> word;) {
            if (word == "moves" || word == "searchmoves")
                kind = word;
            else if (kind == "searchmoves")
                search_moves += word + " ";
            else
                enter_game_move(word.c_str());
        }
        limits.clock_side = pos.side_to_move;
        limits.time_mode = TIME_FIXED;
        limits.clock_ms[pos.side_to_move] = INFINITE_TIME_MS;
        limits.max_depth = depth;
        limits.node_limit = 0;
        std::snprintf(limits.search_moves_text, sizeof limits.search_moves_text, "%s", search_moves.c_str());
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

    // A quiet search that began at tick 100000, its root result reported, now at tick now, with a planned
    // budget of 1000 ms: target 101000, hard limit 102000.
    void start_clock(int mode, double clock_ms, int moves_to_go, double now, int previous, int extensions,
                     int pondering) {
        setup_position(START_FEN);
        set_tick_source(fake_clock);
        fake_now = now;
        limits.time_mode = mode;
        limits.clock_side = WHITE;
        limits.clock_ms[WHITE] = clock_ms;
        limits.moves_to_go[WHITE] = moves_to_go;
        limits.increment = limits.node_limit = 0;
        limits.pondering.store(pondering);
        timer.search_start = 100000;
        timer.budget = 1000;
        timer.target_time = 101000;
        timer.hard_limit = 102000;
        timer.extension_count.store(extensions);
        search.search_active.store(1);
        search.abort_armed = 1;
        search.current_score = search.root_score = 0;
        search.previous_search_score = previous;
    }

    int result = 0;
};

}  // namespace

TEST_F(SearchTest, MatesFoundAtTheirDepthsWithTheExactReport) {
    std::string shuffle = " moves";  // 99 plies without a capture or a pawn move
    for (int i = 0; i < 24; i++) shuffle += " h8g8 a1a2 g8h8 a2a1";
    const std::string queen = "7k/8/8/4K3/8/8/8/1Q6 w - - 0 1", queen_2 = queen + " moves b1g1 h8h7",
                      rook = "7k/8/6K1/8/8/8/8/R7 ", pawns = "7k/4K1pp/8/8/8/8/8/R7 b - - 98 80";
    // The last report without nodes and time. A row searches on the tables the rows before left unless fresh.
    const struct {
        std::string position;
        bool fresh;
        int depth, score;
        const char* report;
    } cases[] = {
        {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 0, 1, MATE_SCORE - 2,
         "mate 1  depth 1 seldepth 2 pv d1d8  "},
        {"r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1", 0, 5, MATE_SCORE - 6,
         "mate 3  depth 5 seldepth 21 pv f8c5  d4c5  f6b6  c5d5  b6d6  "},
        // Mated at ply 3 is -29997, and 3 / 2 truncates to 1; three blanks after a negative mate.
        {"7k/8/8/8/8/1r6/r7/7K w - - 0 1", 0, 2, 3 - MATE_SCORE,
         "mate -1   depth 2 seldepth 4 pv h1g1  b3b1  "},
        // A mate on the hundredth reversible ply stands; the game, drawn by a third repetition, still mates.
        {rook + "b - - 0 1" + shuffle + " h8g8 a1a2 g8h8", 0, 3, 0, "mate 1  depth 3 seldepth 2 pv a2a8  "},
        {rook + "w - - 99 80", 0, 3, MATE_SCORE - 2, "mate 1  depth 3 seldepth 2 pv a1a8  "},
        {rook + "b - - 98 80", 0, 3, 3 - MATE_SCORE, "mate -1   depth 3 seldepth 3 pv h8g8  a1a8  "},
        {pawns + " searchmoves h8g8", 0, 4, 3 - MATE_SCORE, "mate -1   depth 4 seldepth 3 pv h8g8  a1a8  "},
        {pawns, 0, 4, -234, "cp -232  depth 4 seldepth 6 pv h7h5  a1a8  h8h7  "},
        // Warm tables: the mate in two found two plies down before, searched again, and by the mated side.
        {queen_2, 1, 8, MATE_SCORE - 4, "mate 2  depth 8 seldepth 7 pv e5f6  h7h6  g1h1  "},
        {queen, 1, 10, MATE_SCORE - 6, "mate 3  depth 10 seldepth 7 pv b1g1  h8h7  e5f6  h7h8  g1g7  "},
        {queen_2, 0, 8, MATE_SCORE - 4, "mate 2  depth 8 seldepth 4 pv e5f6  h7h8  g1g7  "},
        {queen_2, 0, 8, MATE_SCORE - 4, "mate 2  depth 8 seldepth 3 pv e5f6  h7h8  g1g7  "},
        {queen + " moves b1g1", 0, 8, 5 - MATE_SCORE,
         "mate -2   depth 8 seldepth 5 pv h8h7  e5f6  h7h8  g1g7  "},
    };
    for (const auto& c : cases) {
        if (c.fresh) {
            clear_hash_tables();
            clear_eval_caches();
        }
        const std::vector<std::string> lines = go_depth(c.position, c.depth);
        std::string report;
        for (const std::string& line : lines)
            if (line.starts_with("info score ") && line.find(" pv ") != std::string::npos) report = line;
        SCOPED_TRACE(c.position + "\n" + report);
        EXPECT_EQ(std::regex_replace(report, std::regex(" nodes \\d+ time \\d+"), ""),
                  std::string("info score ") + c.report);
        EXPECT_EQ(result, c.score);
        std::istringstream pv_moves(report.substr(report.find(" pv ") + 4));
        std::string best, ponder;
        pv_moves >> best >> ponder;
        EXPECT_EQ(pv.best_move_text, best);
        EXPECT_EQ(pv.ponder_move_text, ponder);
        EXPECT_EQ(lines.front(), "info depth 1 seldepth 0");
        EXPECT_TRUE(lines.back().starts_with("info depth " + std::to_string(c.depth) + " seldepth "));
    }
    // The position query reads the same distances: two plies down the last PV, the queen mates at once.
    testing::internal::CaptureStdout();
    query_position("7k/8/5K2/8/8/8/8/6Q1 w - - 0 1");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "response position move g1g7  score mate 1 \n");
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
    // Whether the rule fires below the root, whether the game is drawn, what a node at ply 2 returns.
    const struct {
        const char* fen;
        int fires, game_drawn, node_score;
    } rows[] = {
        {"8/8/4k3/8/8/3QK3/8/8 w - - 100 60", 1, 1, 0},
        {"R6k/8/6K1/8/8/8/8/8 b - - 100 80", 1, 0, 2 - MATE_SCORE},
        {"R6k/8/6K1/8/8/8/8/8 b - - 99 80", 0, 0, 2 - MATE_SCORE},
        {"R6k/8/5K2/8/8/8/8/8 b - - 100 80", 1, 1, 0},   // in check, but h7 is free
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 100 80", 1, 1, 0},  // stalemate
        {"7k/8/8/8/8/8/2q5/K7 w - - 0 1", 0, 0, 0},      // stalemate is 0 in a full-width node
    };
    for (const auto& r : rows) {
        prepare_direct_search(r.fen, 3);
        EXPECT_EQ(is_draw_by_rule(1), 0) << r.fen;
        EXPECT_EQ(is_draw_by_rule(2), r.fires) << r.fen;
        EXPECT_EQ(game_drawn_by_rule(), r.game_drawn) << r.fen;
        EXPECT_EQ(search_node(pos.side_to_move, 2, 0, 1, 0), r.node_score) << r.fen;
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
    for (const auto& [brute_force, depth, flag] :
         {std::tuple{0, 1, 0}, std::tuple{0, 2, 2}, std::tuple{1, 2, 0}}) {
        options.brute_force = brute_force;
        prepare_direct_search("4r1k1/5ppp/8/8/8/8/5PPP/4K3 w - - 0 1", 3);
        search_node(WHITE, 3, 0, depth, 0);
        EXPECT_EQ(search.extension_flags[3], flag) << brute_force << depth;
    }
    options.brute_force = 0;
    // A pawn to the second rank in a light ending (not by a capture); a like recapture near the root.
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

TEST_F(SearchTest, IterationEndTestAndExtensions) {
    // Margin 25 at score 0. Then whether to stop, the time added and the extensions after.
    const int inc = TIME_CLOCK_INCREMENT;
    const struct {
        int mode;
        double clock_ms, now;
        int moves_to_go, previous, root, extensions, pondering, stop;
        double add;
        int extensions_after;
    } rows[] = {
        {inc, 100000, 100501, 0, 0, 0, 0, 0, 1, 0, 0},  // score steady: stop
        {inc, 100000, 100501, 0, 0, 0, 0, 1, 0, 0, 0},  // never while pondering
        // Falling by more than two margins: a budget on top, then more the further the iteration fell.
        {inc, 100000, 101000, 0, 60, 250, 1, 0, 0, 7000, 2},
        {inc, 1000, 101000, 0, 30, 0, 0, 0, 0, 1000.0 / 256, 1},           // halved until it fits the clock
        {TIME_MOVES_TO_GO, 11000, 101000, 15, 30, 100, 0, 0, 0, 1500, 2},  // each move to go keeps 25
    };
    for (const auto& r : rows) {
        start_clock(r.mode, r.clock_ms, r.moves_to_go, r.now, r.previous, r.extensions, r.pondering);
        search.root_score = r.root;
        SCOPED_TRACE(&r - rows);
        EXPECT_EQ(iteration_end_test(), r.stop);
        EXPECT_DOUBLE_EQ(timer.target_time, 101000 + r.add);
        EXPECT_DOUBLE_EQ(timer.hard_limit, 102000 + r.add);
        EXPECT_EQ(timer.extension_count.load(), r.extensions_after);
    }
}

TEST_F(SearchTest, ChecksEveryTenThousandNodes) {
    // The score fell by `previous` since the last move. A stop by the clock leaves the next check.
    const int inc = TIME_CLOCK_INCREMENT;
    const struct {
        int mode;
        double now;
        uint64_t next_check, nodes, node_limit, next_after;
        int previous, extensions, stop, extensions_after;
    } rows[] = {
        {TIME_FIXED, 100000, 1000, 1001, 5000, 11001, 0, 0, 0, 0},
        {TIME_FIXED, 100000, 11001, 11002, 5000, 21002, 0, 0, 1, 0},  // over the node limit
        {TIME_FIXED, 101000, 1000, 1001, 0, 1000, 100, 0, 1, 0},      // a move time is never extended
        {TIME_FIXED, 101000, 0, 1000, 0, 11000, 100, 0, 0, 0},        // the clock waits for 1000 nodes
        {inc, 102000, 1000, 5000, 0, 15000, 30, 0, 0, 1},             // falling at the hard limit: extend
        {inc, 102000, 1000, 5000, 0, 1000, 30, 1, 1, 1},              // but only once
    };
    for (const auto& r : rows) {
        start_clock(r.mode, r.mode == TIME_FIXED ? 1000 : 100000, 0, r.now, r.previous, r.extensions, 0);
        timer.next_check = r.next_check;
        search.node_count = r.nodes;
        limits.node_limit = r.node_limit;
        SCOPED_TRACE(&r - rows);
        EXPECT_EQ(should_stop(), r.stop);
        EXPECT_EQ(timer.next_check, r.next_after);
        EXPECT_EQ(search.search_active.load(), 1 - r.stop);
        EXPECT_EQ(timer.extension_count.load(), r.extensions_after);
        EXPECT_DOUBLE_EQ(timer.hard_limit, r.extensions_after > r.extensions ? 103000 : 102000);
    }
    // "stop" ends the search at the next node; a check seeing it marks the extension count.
    search.search_active.store(0);
    search.node_count = 0;
    timer.extension_count.store(0);
    EXPECT_EQ(should_stop(), 1);
    EXPECT_EQ(periodic_check(), 1);
    EXPECT_EQ(timer.extension_count.load(), 1);
}

TEST_F(SearchTest, MasterProgressLineCountsTheWorkers) {
    start_clock(TIME_FIXED, INFINITE_TIME_MS, 0, 100999, 0, 0, 0);
    timer.target_time = timer.hard_limit = 1e13;
    hash_tables.share_block[SHARE_NODES_WORD + 2 * 2] = 2000;  // worker 2: 2000 nodes
    hash_tables.share_block[SHARE_ENTRIES_WORD + 2] = 1165;    // and 1165 slots claimed
    hash_tables.new_entries = 0;
    tb_counters.probe_count = 7;
    // Only at checks whose node count ends in binary 11: 3003 nodes in 1.000 s; 1165 of 2 x 5824 slots.
    std::string output;
    for (const uint64_t nodes : {1001, 1002, 1003}) {
        search.node_count = nodes;
        testing::internal::CaptureStdout();
        periodic_check();
        output += testing::internal::GetCapturedStdout();
    }
    EXPECT_EQ(output, "info nodes 3003 nps 3003 hashfull 100 tbhits 7\n");
}

TEST_F(SearchTest, MateScoresAreKeptFromTheStoringNode) {
    // Stored at one ply, probed at another (bound 40): the slot's bounds, then the probe's; empty stays
    // 30000.
    const struct {
        int store_ply, score, probe_ply;
        int32_t slot_upper, slot_lower, upper, lower;
    } rows[] = {
        {5, 29990, 3, 30000, 29994, 30000, 29992},       // mate at ply 10 is four plies from ply 5 and 3
        {4, -29990, 2, -29993, -30000, -29992, -30000},  // mated at ply 10, fail-low
        {3, 29999, 3, 30000, 29999, 30000, 29997},       // beyond any real mate: held below 30000
        {3, -29999, 3, -29999, -30000, -29997, -30000},
        {9, 28999, 2, 30000, 28999, 30000, 28999},  // short of mate: no shift
    };
    hash_tables.search_id = 1;  // as the root driver does before its first store
    for (const auto& r : rows) {
        clear_hash_tables();
        pos.hash_key_low = 77;
        pos.hash_key_high = 5;
        store_hash(BLACK, r.store_ply, r.score, 3, 40, 0x21);
        const HashEntry& slot = hash_tables.table[BLACK][77];
        int32_t move = 0;
        const HashProbe p = probe_hash(BLACK, r.probe_ply, move);
        EXPECT_EQ(std::tuple(slot.a.upper, slot.a.lower, p.upper, p.lower),
                  std::tuple(r.slot_upper, r.slot_lower, r.upper, r.lower))
            << r.score;
    }
}

TEST(HashTables, LifeCycleOfPrivateTables) {
    EXPECT_EQ(std::tuple(transposition_entries_for(1 << 20), cache_entries_for(1 << 20)),
              std::tuple(5965231u, 14913079u));
    // A name left by a dead process does not block a creation: a one-process engine names no block.
    std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
    char name[64];
    shared_block_name(name, sizeof name, "_wttable");
    close(shm_open(name, O_RDWR | O_CREAT, 0600));
    ASSERT_EQ(create_tables(16384, 4), 16384);
    shm_unlink(name);
    EXPECT_EQ(process_watch::leftovers_of(getpid()), std::vector<std::string>{});
    // Creation empties every slot, and so do the clears.
    EXPECT_EQ(hash_tables.entry_count, 93205u);
    const HashEntry& e = hash_tables.table[WHITE][17];
    EXPECT_EQ(std::tuple(e.a.key, e.a.upper, e.b.lower, e.b.lower_depth),
              std::tuple(0u, 30000, -30000, NO_DEPTH));
    hash_tables.search_id = 1;
    pos.hash_key_low = 40;
    pos.hash_key_high = 7;  // an empty slot's check key is 0
    store_hash(WHITE, 1, 50, 8, 40, 0x11);
    eval_caches.eval_cache[BLACK][3] = {99, 12, 1};
    clear_hash_tables();
    clear_eval_caches();
    int32_t move = 0;
    EXPECT_FALSE(probe_hash(WHITE, 1, move).hit);
    EXPECT_EQ(eval_caches.eval_cache[BLACK][3].key, 0u);
    // Tables of 2 MB and more start on a huge-page boundary, and every entry up to the last is writable.
    for (int side = 0; side < 2; side++) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(hash_tables.table[side]) % (2 << 20), 0u);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(eval_caches.eval_cache[side]) % (2 << 20), 0u);
        hash_tables.table[side][hash_tables.entry_count].b.failed_low = 1;
        eval_caches.eval_cache[side][eval_caches.cache_count].in_check = 1;
    }
    release_tables();
}

// A one-process engine takes private memory where no named block can be had, and quits only when there is no
// memory at all; a multi-process engine needs the names.
TEST(HashTables, PrivateMemoryWhereNoNamedBlockCanBeHad) {
    const std::string one = JUX_BINARY;
    for (const auto& [limit, engine_binary, quits] : {
             std::tuple{"ulimit -f 2048", one, false},
#ifndef JUX_SANITIZED  // AddressSanitizer reserves far more address space than the limit allows
             std::tuple{"ulimit -v 20000", one, true},
#endif
             std::tuple{"ulimit -f 2048", one + " --processes 3", true},
         }) {
        SCOPED_TRACE(std::string(limit) + " " + engine_binary);
        EngineProcess engine({"-c", std::string(limit) + " && exec " + engine_binary}, "/bin/sh");
        ASSERT_TRUE(engine.handshake());
        engine.send("setoption name Hash value 128");
        if (quits) {
            EXPECT_EQ(engine.read_line(), "info string Memory problems: I quit!");
            EXPECT_EQ(engine.wait_exit(), 1);
            EXPECT_EQ(engine.error_output(), "no more bttable memory \n");
        } else {
            engine.send("go depth 5");
            EXPECT_TRUE(engine.read_until_prefix("bestmove").back().starts_with("bestmove "));
            engine.send("quit");
            EXPECT_EQ(engine.wait_exit(), 0);
        }
        EXPECT_EQ(process_watch::leftovers_of(engine.pid()), std::vector<std::string>{});
    }
}

// A worker's bounds: strides of 1, 2, 4 beyond a known bound, then halving the bracket, never outside it.
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
