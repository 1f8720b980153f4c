// The limit setters with the worked numbers of the clock rules.
#include "frontend/options.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

class Setters : public ::testing::Test {
   protected:
    void SetUp() override {
        limits.time_mode = 0;
        limits.clock_ms[0] = limits.clock_ms[1] = 777;
        limits.moves_to_go[0] = limits.moves_to_go[1] = 0;
        limits.increment = 0;
        limits.max_depth = 0;
        limits.clock_side = 0;
    }
};

TEST_F(Setters, MovesToGoKeepsFiveSecondsInHand) {
    // 30 seconds on black's clock with 20 moves to go: a budget of 25000 ms.
    EXPECT_EQ(set_moves_to_go(20, 30), 25);
    EXPECT_EQ(limits.time_mode, TIME_MOVES_TO_GO);
    EXPECT_EQ(limits.moves_to_go[0], 20);
    EXPECT_EQ(limits.moves_to_go[1], 20);
    EXPECT_EQ(limits.clock_ms[0], 25000.0);
    EXPECT_EQ(limits.clock_ms[1], 25000.0);
    EXPECT_EQ(limits.max_depth, 99);
    // Below the margin, nothing is left to spend.
    EXPECT_EQ(set_moves_to_go(40, 3), 0);
    EXPECT_EQ(limits.clock_ms[1], 0.0);
    EXPECT_EQ(set_moves_to_go(40, -100), 0);
    EXPECT_EQ(limits.clock_ms[0], 0.0);
}

TEST_F(Setters, ClockWithIncrementKeepsTenSecondsInHand) {
    // 60 seconds each, no increment: 50000 ms for both sides.
    EXPECT_EQ(set_clock_increment(60, 0), 0);
    EXPECT_EQ(limits.time_mode, TIME_CLOCK_INCREMENT);
    EXPECT_EQ(limits.clock_ms[0], 50000.0);
    EXPECT_EQ(limits.clock_ms[1], 50000.0);
    EXPECT_EQ(limits.moves_to_go[0], 9999);
    EXPECT_EQ(limits.moves_to_go[1], 9999);
    EXPECT_EQ(limits.max_depth, 99);
    EXPECT_EQ(set_clock_increment(60, 2), 2);
    EXPECT_EQ(limits.increment, 2);
    // 8 seconds is below the margin: a budget of 0.
    set_clock_increment(8, 0);
    EXPECT_EQ(limits.clock_ms[0], 0.0);
    // The largest clock does not overflow on its way to milliseconds.
    set_clock_increment(INT_MAX, 0);
    EXPECT_EQ(limits.clock_ms[0], (static_cast<double>(INT_MAX) - 10) * 1000);
}

TEST_F(Setters, FixedBudgetsWriteOnlyTheClockSide) {
    limits.clock_side = 1;
    EXPECT_EQ(set_infinite(), 1);
    EXPECT_EQ(limits.time_mode, TIME_FIXED);
    EXPECT_EQ(limits.clock_ms[1], 1e13);
    EXPECT_EQ(limits.clock_ms[0], 777.0);
    EXPECT_EQ(limits.max_depth, 99);

    limits.clock_side = 0;
    set_move_time(1500);
    EXPECT_EQ(limits.clock_ms[0], 1500.0);
    EXPECT_EQ(limits.clock_ms[1], 1e13);
}

TEST_F(Setters, DepthIsCappedAtNinetyNineAndTheLastSetterDecides) {
    EXPECT_EQ(set_depth(5), 5);
    EXPECT_EQ(limits.max_depth, 5);
    EXPECT_EQ(limits.time_mode, TIME_FIXED);
    EXPECT_EQ(limits.clock_ms[0], 1e13);
    EXPECT_EQ(set_depth(150), 150);
    EXPECT_EQ(limits.max_depth, 99);
    // "go depth 5 movetime 1000": the move time comes last and lifts the depth limit.
    set_depth(5);
    set_move_time(1000);
    EXPECT_EQ(limits.max_depth, 99);
    EXPECT_EQ(limits.clock_ms[0], 1000.0);
    // "go depth 5 infinite".
    set_depth(5);
    set_infinite();
    EXPECT_EQ(limits.max_depth, 99);
}

}  // namespace
