// Time control on a hand-driven clock: extensions, the periodic check with its node limit and progress line.
#include "search/timectl.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "board/board_fixture.h"
#include "core/options.h"
#include "core/role.h"
#include "egtb/tbprobe.h"
#include "search/hash.h"
#include "search/node.h"

namespace {

double fake_now = 0;
double fake_clock() {
    return fake_now;
}

// A search that began at tick 100000 on a quiet position, its root result reported, with a planned
// budget of 1000 ms: target 101000, hard limit 102000.
class TimeControlTest : public ::testing::Test {
   protected:
    void SetUp() override {
        set_tick_source(fake_clock);
        timer.poll_input = 0;
        timer.search_start = 100000;
        search.abort_armed = 1;
        search.current_score = search.root_score = search.previous_search_score = 0;
        role.is_master = 1;
        limits.node_limit = 0;
        limits.clock_side = WHITE;
        limits.increment = 0;
        setup_position(START_FEN);
    }
    void TearDown() override {
        set_tick_source(nullptr);
        timer.poll_input = 1;
    }
    void start(int mode, double clock_ms, int moves_to_go, double now, int previous, int extensions,
               int pondering) {
        limits.time_mode = mode;
        limits.clock_ms[WHITE] = clock_ms;
        limits.moves_to_go[WHITE] = moves_to_go;
        timer.budget = 1000;
        timer.target_time = 101000;
        timer.hard_limit = 102000;
        fake_now = now;
        search.previous_search_score = previous;
        timer.extension_count.store(extensions);
        limits.pondering.store(pondering);
        search.search_active.store(1);
    }
};

}  // namespace

TEST_F(TimeControlTest, IterationEndTestAndExtensions) {
    // Margin 25 at score 0. Then whether to stop, the time added and the extensions after.
    const int inc = TIME_CLOCK_INCREMENT;
    const struct {
        int mode;
        double clock_ms, now;
        int moves_to_go, previous, root, extensions, pondering, stop;
        double add;
        int extensions_after;
    } rows[] = {
        {inc, 100000, 100500, 0, 0, 0, 0, 0, 0, 0, 0},         // another 500 ends on the target
        {inc, 100000, 100501, 0, 0, 0, 0, 0, 1, 0, 0},         // score steady: stop
        {inc, 100000, 100501, 0, 0, 0, 0, 1, 0, 0, 0},         // never while pondering
        {TIME_FIXED, 100000, 100501, 0, 0, 0, 0, 0, 0, 0, 0},  // nor with a fixed time
        {inc, 100000, 101001, 0, 60, 0, 2, 0, 1, 0, 2},        // no more after a large extension
        // Falling by more than two margins: a budget on top, then more the further the iteration fell.
        {inc, 100000, 101000, 0, 60, 0, 0, 0, 0, 2000, 1},
        {inc, 100000, 101000, 0, 60, 250, 1, 0, 0, 7000, 2},
        {inc, 1000, 101000, 0, 30, 0, 0, 0, 0, 1000.0 / 256, 1},           // halved until it fits the clock
        {TIME_MOVES_TO_GO, 11000, 101000, 15, 30, 100, 0, 0, 0, 1500, 2},  // each move to go keeps 25
    };
    for (const auto& r : rows) {
        start(r.mode, r.clock_ms, r.moves_to_go, r.now, r.previous, r.extensions, r.pondering);
        search.root_score = r.root;
        SCOPED_TRACE(&r - rows);
        EXPECT_EQ(iteration_end_test(), r.stop);
        EXPECT_DOUBLE_EQ(timer.target_time, 101000 + r.add);
        EXPECT_DOUBLE_EQ(timer.hard_limit, 102000 + r.add);
        EXPECT_EQ(timer.extension_count.load(), r.extensions_after);
    }
    // Nor before the first root result.
    start(inc, 100000, 0, 100501, 0, 0, 0);
    search.abort_armed = 0;
    EXPECT_EQ(iteration_end_test(), 0);
}

TEST_F(TimeControlTest, ChecksEveryTenThousandNodes) {
    // The score fell by `previous` since the last move. A stop by the clock leaves the next check.
    const int inc = TIME_CLOCK_INCREMENT;
    const struct {
        int mode;
        double now;
        uint64_t next_check, nodes, node_limit, next_after;
        int previous, extensions, pondering, stop, extensions_after;
    } rows[] = {
        {TIME_FIXED, 100000, 1000, 1000, 5000, 1000, 0, 0, 0, 0, 0},  // not past the check
        {TIME_FIXED, 100000, 1000, 1001, 5000, 11001, 0, 0, 0, 0, 0},
        {TIME_FIXED, 100000, 11001, 11002, 5000, 21002, 0, 0, 0, 1, 0},  // over the node limit
        {TIME_FIXED, 101000, 1000, 1001, 0, 1000, 100, 0, 0, 1, 0},      // a move time is never extended
        {TIME_FIXED, 101000, 0, 1000, 0, 11000, 100, 0, 0, 0, 0},        // the clock waits for 1000 nodes
        {inc, 101500, 1000, 5000, 0, 15000, 30, 0, 0, 0, 0},             // the soft target never stops
        {inc, 102000, 1000, 5000, 0, 15000, 30, 0, 0, 0, 1},             // falling at the hard limit: extend
        {inc, 102000, 1000, 5000, 0, 1000, 30, 1, 0, 1, 1},              // but only once
        {inc, 102000, 1000, 5000, 0, 1000, 24, 0, 0, 1, 0},              // a stable score stops at once
        {inc, 109000, 1000, 5000, 0, 15000, 0, 0, 1, 0, 0},              // pondering: no clock
    };
    for (const auto& r : rows) {
        start(r.mode, r.mode == TIME_FIXED ? 1000 : 100000, 0, r.now, r.previous, r.extensions, r.pondering);
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
    // A stop ends the search at once; a check seeing it marks the extension count.
    search.search_active.store(0);
    search.node_count = 0;
    EXPECT_EQ(should_stop(), 1);
    EXPECT_EQ(periodic_check(), 1);
    EXPECT_EQ(timer.extension_count.load(), 1);
}

TEST_F(TimeControlTest, MasterProgressLineCountsTheWorkers) {
    std::snprintf(role.name_suffix, sizeof role.name_suffix, "c%d", static_cast<int>(getpid()));
    ASSERT_EQ(create_tables(0, 0), 256);
    reset_game_state();
    start(TIME_FIXED, INFINITE_TIME_MS, 0, 100999, 0, 0, 0);
    timer.target_time = timer.hard_limit = 1e13;
    hash_tables.share_block[SHARE_NODES_WORD + 2 * 2] = 2000;  // worker 2: 2000 nodes
    hash_tables.share_block[SHARE_ENTRIES_WORD + 2] = 291;     // and 291 slots claimed
    hash_tables.new_entries = 0;
    tb_counters.probe_count = 7;
    // Only at checks whose node count ends in binary 11: 3003 nodes in 1.000 s; 291 of 2 x 1455 slots.
    std::string output;
    for (const uint64_t nodes : {1001, 1002, 1003}) {
        search.node_count = nodes;
        testing::internal::CaptureStdout();
        periodic_check();
        output += testing::internal::GetCapturedStdout();
    }
    EXPECT_EQ(output, "info nodes 3003 nps 3003 hashfull 100 tbhits 7\n");
    release_tables();
}
