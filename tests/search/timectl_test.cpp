#include "search/timectl.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "board/board_fixture.h"
#include "egtb/tbprobe.h"
#include "frontend/options.h"
#include "frontend/roles.h"
#include "platform/clock.h"
#include "search/hash.h"
#include "search/node.h"

namespace {

double fake_now = 0;
double fake_clock() {
    return fake_now;
}

// Every test starts from a search that began at tick 100000 with a quiet
// position: scores 0, no extensions yet, the root result already reported.
class TimeControlTest : public ::testing::Test {
   protected:
    void SetUp() override {
        set_tick_source(fake_clock);
        fake_now = 100000;
        timer.poll_input = 0;
        timer.search_start = 100000;
        timer.extension_count.store(0);
        timer.next_check = 1000;
        search.search_active.store(1);
        search.node_count = 0;
        search.abort_armed = 1;
        search.current_score = search.root_score = search.previous_search_score = 0;
        role.is_master = 1;
        limits.pondering.store(0);
        limits.node_limit = 0;
        limits.clock_side = WHITE;
        limits.increment = 0;
    }
    void TearDown() override {
        set_tick_source(nullptr);
        timer.poll_input = 1;
    }
    void clock_mode(int mode, double white_ms) {
        limits.time_mode = mode;
        limits.clock_ms[WHITE] = white_ms;
    }
};

}  // namespace

TEST_F(TimeControlTest, IncrementBudgetAndHardLimit) {
    // 60 s on the clock less the 10 s margin, 2 s increment.
    clock_mode(TIME_CLOCK_INCREMENT, 50000);
    limits.increment = 2;
    plan_time();
    EXPECT_DOUBLE_EQ(timer.budget, 50000.0 / 35 + 1500);  // 2928.57 ms
    EXPECT_DOUBLE_EQ(timer.target_time, 100000 + 50000.0 / 35 + 1500);
    EXPECT_DOUBLE_EQ(timer.hard_limit, 100000 + 2 * (50000.0 / 35 + 1500));  // 5857.14 ms later
    EXPECT_EQ(timer.extension_count.load(), 0);
}

TEST_F(TimeControlTest, MovesToGoHardLimitCappedAtHalfTheClock) {
    clock_mode(TIME_MOVES_TO_GO, 25000);
    limits.moves_to_go[WHITE] = 1;
    plan_time();
    EXPECT_DOUBLE_EQ(timer.budget, 12500);
    EXPECT_DOUBLE_EQ(timer.hard_limit, 100000 + 12500);
}

TEST_F(TimeControlTest, HardLimitNeverBelowTheBudget) {
    // 40 moves in 10 s: budget 243.9 ms, twice that is below t / 2 = 5000.
    clock_mode(TIME_MOVES_TO_GO, 10000);
    limits.moves_to_go[WHITE] = 40;
    plan_time();
    EXPECT_DOUBLE_EQ(timer.budget, 10000.0 / 41);
    EXPECT_DOUBLE_EQ(timer.hard_limit, 100000 + 2 * 10000.0 / 41);
    // A clock below the margin: budget 25 ms, and t / 2 = 0 is raised back to it.
    clock_mode(TIME_CLOCK_INCREMENT, 0);
    plan_time();
    EXPECT_DOUBLE_EQ(timer.budget, 25);
    EXPECT_DOUBLE_EQ(timer.hard_limit, 100000 + 25);
}

TEST_F(TimeControlTest, ForcedReplyGetsANinthOfTheBudget) {
    setup_position("7k/8/8/8/8/8/6q1/K7 w - - 0 1");  // only Kb1
    clock_mode(TIME_CLOCK_INCREMENT, 315000);
    plan_time();
    EXPECT_DOUBLE_EQ(timer.budget, 1000);
    clock_mode(TIME_MOVES_TO_GO, 900);
    limits.moves_to_go[WHITE] = 1;
    plan_time();
    EXPECT_DOUBLE_EQ(timer.budget, 50);
    clock_mode(TIME_MOVES_TO_GO, 300);  // 150 / 9 is raised to 25
    plan_time();
    EXPECT_DOUBLE_EQ(timer.budget, 25);
    clock_mode(TIME_FIXED, 900);  // a fixed time is kept whole
    plan_time();
    EXPECT_DOUBLE_EQ(timer.budget, 900);
    setup_position(START_FEN);
}

TEST_F(TimeControlTest, FixedTimeIsNotCappedByTheClock) {
    clock_mode(TIME_FIXED, 1000);
    plan_time();
    EXPECT_DOUBLE_EQ(timer.budget, 1000);
    EXPECT_DOUBLE_EQ(timer.target_time, 101000);
    EXPECT_DOUBLE_EQ(timer.hard_limit, 102000);
}

TEST_F(TimeControlTest, IterationEndTestStopsWhenTheNextIterationWouldNotFit) {
    clock_mode(TIME_CLOCK_INCREMENT, 100000);
    timer.budget = 1000;
    timer.target_time = 101000;
    timer.hard_limit = 102000;
    fake_now = 100500;  // 500 used: another 500 ends exactly on the target
    EXPECT_EQ(iteration_end_test(), 0);
    fake_now = 100501;
    EXPECT_EQ(iteration_end_test(), 1);  // score steady: stop
    // A rising score stops too, a falling one buys time.
    search.previous_search_score = -40;
    search.current_score = -20;
    EXPECT_EQ(iteration_end_test(), 1);
    search.previous_search_score = 0;
    search.current_score = search.root_score = -30;  // margin 26, fell by 30
    EXPECT_EQ(iteration_end_test(), 0);
    EXPECT_EQ(timer.extension_count.load(), 1);
    EXPECT_DOUBLE_EQ(timer.target_time, 102000);
    // Not while pondering, not in fixed-time mode, not before a root result.
    timer.extension_count.store(0);
    limits.pondering.store(1);
    EXPECT_EQ(iteration_end_test(), 0);
    limits.pondering.store(0);
    search.abort_armed = 0;
    EXPECT_EQ(iteration_end_test(), 0);
    search.abort_armed = 1;
    limits.time_mode = TIME_FIXED;
    EXPECT_EQ(iteration_end_test(), 0);
    EXPECT_EQ(timer.extension_count.load(), 0);
    // After a large extension there is no more.
    limits.time_mode = TIME_CLOCK_INCREMENT;
    timer.extension_count.store(2);
    fake_now = 101001;
    EXPECT_EQ(iteration_end_test(), 1);
}

TEST_F(TimeControlTest, ExtensionGrowsWithTheFallOfTheRunningIteration) {
    clock_mode(TIME_CLOCK_INCREMENT, 100000);
    timer.budget = 1000;
    timer.target_time = 101000;
    timer.hard_limit = 102000;
    fake_now = 101000;
    // current 0: margin 25. The score fell 60 since the last move (more than
    // twice the margin): the first extension adds a budget on top.
    search.previous_search_score = 60;
    search.root_score = 0;
    extend_time();
    EXPECT_EQ(timer.score_margin, 25);
    EXPECT_EQ(timer.extension_count.load(), 1);
    EXPECT_DOUBLE_EQ(timer.target_time, 103000);
    EXPECT_DOUBLE_EQ(timer.hard_limit, 104000);
    // Second extension: no base. The iteration runs 80 below the last one
    // (between 3 and 4 margins): two budgets, and no further extension.
    search.root_score = 80;
    extend_time();
    EXPECT_EQ(timer.extension_count.load(), 2);
    EXPECT_DOUBLE_EQ(timer.target_time, 105000);
    // Between 4 and 10 margins three budgets, from 10 margins seven.
    timer.extension_count.store(1);
    search.root_score = 249;
    extend_time();
    EXPECT_DOUBLE_EQ(timer.target_time, 108000);
    timer.extension_count.store(1);
    search.root_score = 250;
    extend_time();
    EXPECT_DOUBLE_EQ(timer.target_time, 115000);
    EXPECT_DOUBLE_EQ(timer.hard_limit, 116000);
}

TEST_F(TimeControlTest, ExtensionIsHalvedUntilItFitsTheClock) {
    timer.budget = 1000;
    timer.target_time = timer.hard_limit = 101000;
    fake_now = 101000;  // 1000 used
    // Increment mode: 2600 left; 1000 fits at once.
    clock_mode(TIME_CLOCK_INCREMENT, 3600);
    extend_time();
    EXPECT_DOUBLE_EQ(timer.target_time, 102000);
    // 900 left: 1000 -> 500.
    clock_mode(TIME_CLOCK_INCREMENT, 1900);
    timer.extension_count.store(0);
    extend_time();
    EXPECT_DOUBLE_EQ(timer.target_time, 102500);
    // Nothing left: halved down to below 5 (1000 / 256 = 3.90625).
    clock_mode(TIME_CLOCK_INCREMENT, 1000);
    timer.extension_count.store(0);
    extend_time();
    EXPECT_DOUBLE_EQ(timer.target_time, 102500 + 1000.0 / 256);
    // Moves to go: every move still to play keeps max(25, budget / 2).
    // 10000 left, 10 moves x 500 reserved: add must be below 5000.
    clock_mode(TIME_MOVES_TO_GO, 11000);
    limits.moves_to_go[WHITE] = 10;
    timer.target_time = 101000;
    timer.extension_count.store(0);
    search.root_score = 100;  // 4 margins: three budgets, 3000 fits
    extend_time();
    EXPECT_DOUBLE_EQ(timer.target_time, 104000);
    limits.moves_to_go[WHITE] = 15;  // 2500 left for the extension: 3000 -> 1500
    timer.target_time = 101000;
    timer.extension_count.store(0);
    extend_time();
    EXPECT_DOUBLE_EQ(timer.target_time, 102500);
}

TEST_F(TimeControlTest, NodeLimitIsCheckedEveryTenThousandNodes) {
    clock_mode(TIME_FIXED, INFINITE_TIME_MS);
    timer.target_time = timer.hard_limit = 1e13;
    limits.node_limit = 5000;
    search.node_count = 1000;
    EXPECT_EQ(should_stop(), 0);  // 1000 is not past the first check
    EXPECT_EQ(timer.next_check, 1000u);
    search.node_count = 1001;
    EXPECT_EQ(should_stop(), 0);  // first check: 1001 is within the limit
    EXPECT_EQ(timer.next_check, 11001u);
    search.node_count = 11001;
    EXPECT_EQ(should_stop(), 0);
    search.node_count = 11002;
    EXPECT_EQ(should_stop(), 1);  // second check: past 5000
    EXPECT_EQ(search.search_active.load(), 0);
    EXPECT_EQ(should_stop(), 1);  // stays stopped

    // A limit of 500 ends the search at the first check.
    search.search_active.store(1);
    timer.next_check = 1000;
    limits.node_limit = 500;
    search.node_count = 1001;
    EXPECT_EQ(should_stop(), 1);
}

TEST_F(TimeControlTest, MoveTimeStopsAtTheFirstCheckPastTheTarget) {
    clock_mode(TIME_FIXED, 1000);
    plan_time();
    search.node_count = 1001;
    fake_now = 100999;
    EXPECT_EQ(periodic_check(), 0);
    search.node_count = 11002;
    fake_now = 101000;
    EXPECT_EQ(periodic_check(), 1);
    EXPECT_EQ(timer.extension_count.load(), 0);  // never extended in this mode
}

TEST_F(TimeControlTest, ClockModeExtendsOnceAtTheHardLimitThenStops) {
    clock_mode(TIME_CLOCK_INCREMENT, 100000);
    timer.budget = 1000;
    timer.target_time = 101000;
    timer.hard_limit = 102000;
    search.node_count = 5000;
    // The soft target alone never stops the search inside the tree.
    fake_now = 101500;
    EXPECT_EQ(periodic_check(), 0);
    // At the hard limit with a falling score (d = 30, margin 25): extend.
    fake_now = 102000;
    search.previous_search_score = 30;
    EXPECT_EQ(periodic_check(), 0);
    EXPECT_EQ(timer.extension_count.load(), 1);
    EXPECT_DOUBLE_EQ(timer.hard_limit, 103000);
    // Past the new hard limit after an extension: stop.
    fake_now = 103000;
    EXPECT_EQ(periodic_check(), 1);
    // A stable score stops at once (-margin < d < margin).
    search.search_active.store(1);
    timer.extension_count.store(0);
    search.previous_search_score = 24;
    EXPECT_EQ(periodic_check(), 1);
    // While pondering the clock is not looked at.
    search.search_active.store(1);
    limits.pondering.store(1);
    EXPECT_EQ(periodic_check(), 0);
}

TEST_F(TimeControlTest, StopSeenByTheCheckMarksTheExtensionCount) {
    clock_mode(TIME_FIXED, INFINITE_TIME_MS);
    timer.target_time = timer.hard_limit = 1e13;
    search.search_active.store(0);
    search.node_count = 2000;
    EXPECT_EQ(periodic_check(), 1);
    EXPECT_EQ(timer.extension_count.load(), 1);
}

TEST_F(TimeControlTest, ProgressLineAtChecksWhoseNodeCountEndsInBinaryEleven) {
    clock_mode(TIME_FIXED, INFINITE_TIME_MS);
    timer.target_time = timer.hard_limit = 1e13;
    fake_now = 100999;  // 999 ms: nps = nodes / 1.0 s
    search.node_count = 1002;
    testing::internal::CaptureStdout();
    periodic_check();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    search.node_count = 1003;
    hash_tables.new_entries = 0;
    testing::internal::CaptureStdout();
    periodic_check();
    EXPECT_EQ(testing::internal::GetCapturedStdout().substr(0, 33), "info nodes 1003 nps 1003 hashfull");
}

namespace {

// The same clock and search state with tables in shared memory, so that the
// share block exists.
class ShareBlockTest : public TimeControlTest {
   protected:
    void SetUp() override {
        TimeControlTest::SetUp();
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "c%d", static_cast<int>(getpid()));
        ASSERT_EQ(create_tables(0, 0), 256);
        clock_mode(TIME_FIXED, INFINITE_TIME_MS);
        timer.target_time = timer.hard_limit = 1e13;
    }
    void TearDown() override {
        role.is_master = 1;
        role.worker_id = 0;
        release_tables();
        TimeControlTest::TearDown();
    }
};

}  // namespace

TEST_F(ShareBlockTest, MasterProgressCountsTheWorkers) {
    int32_t* share = hash_tables.share_block;
    share[SHARE_NODES_WORD + 2 * 2] = 2000;  // worker 2: 2000 nodes
    share[SHARE_ENTRIES_WORD + 2] = 291;     // and 291 slots claimed
    hash_tables.new_entries = 0;
    tb_counters.probe_count = 7;
    search.node_count = 1003;
    fake_now = 100999;
    testing::internal::CaptureStdout();
    periodic_check();
    // 3003 nodes in 1.000 s; 291 of the 2 x 1455 slots: 100 per mille.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "info nodes 3003 nps 3003 hashfull 100 tbhits 7\n");
}

TEST_F(ShareBlockTest, WorkerPublishesNodesClaimsAndLoad) {
    role.is_master = 0;
    role.worker_id = 3;
    hash_tables.new_entries = 42;
    search.node_count = 0x100000007ull;                         // the next check ends in binary 11: load too
    fake_now = 101000;                                          // 1000 ms since the start
    timer.cpu_start_100ns = thread_cpu_time_100ns() - 5000000;  // 500 ms of CPU
    testing::internal::CaptureStdout();
    periodic_check();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // workers never write
    const int32_t* share = hash_tables.share_block;
    EXPECT_EQ(share[SHARE_NODES_WORD + 6], 7);
    EXPECT_EQ(share[SHARE_NODES_WORD + 7], 1);
    EXPECT_EQ(share[SHARE_ENTRIES_WORD + 3], 42);
    EXPECT_GE(share[SHARE_LOAD_WORD + 3], 500);
    EXPECT_LT(share[SHARE_LOAD_WORD + 3], 600);
    EXPECT_EQ(share[SHARE_LOAD_WORD + 2], 0);
    // At a check whose successor does not end in binary 11 the load stays.
    share = hash_tables.share_block;
    hash_tables.share_block[SHARE_LOAD_WORD + 3] = 0;
    search.node_count = 0x100000006ull + 10000;
    periodic_check();
    EXPECT_EQ(share[SHARE_LOAD_WORD + 3], 0);
    EXPECT_EQ(share[SHARE_NODES_WORD + 6], 10006);
}
