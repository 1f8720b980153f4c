// The limits a "go" line leaves and the time budget planned from them, for usual and absurd numbers.
#include "frontend/go.h"

#include <gtest/gtest.h>

#include <climits>

#include "board/board_fixture.h"
#include "core/options.h"
#include "core/role.h"
#include "search/timectl.h"

namespace {

constexpr const char* ONE_LEGAL_MOVE = "7k/8/8/8/8/8/6q1/K7 w - - 0 1";  // only Kb1
constexpr double LONG = 1e13;                                            // no time limit

TEST(GoLimits, EveryNumberGivesABudgetBetweenTheFloorAndTheClock) {
    const struct {
        const char* go;
        double budget, hard_limit;
        int max_depth = 99;
        int64_t node_limit = 0;
        const char* fen = START_FEN;
    } rows[] = {
        // A 35th of the clock less a 10 s margin, twice that at most; with moves to go, the clock less 5 s
        // over the moves left and this one.
        {"go wtime 60000 btime 60000", 50000.0 / 35, 100000.0 / 35},
        {"go wtime 60000 btime 60000 movestogo 10", 5000, 10000},
        {"go wtime 60000 btime 60000 movestogo 0", 27500, 27500},
        {"go wtime 60000 btime 60000 movestogo 99999999999", 25, 50},
        {"go wtime -2147483648 btime 0 movestogo 10", 25, 25},
        {"go wtime 99999999999 btime 1", 2147473000.0 / 35, 2 * 2147473000.0 / 35},
        // Three quarters of the increment, within the usable clock and half of what is left.
        {"go wtime 60000 btime 60000 winc 2000 binc 2000", 50000.0 / 35 + 1500, 2 * (50000.0 / 35 + 1500)},
        {"go wtime 60000 btime 60000 winc 2147483647 binc 2147483647", 50000, 50000},
        {"go wtime 8000 btime 8000 winc 2000 binc 2000", 1500, 1500},
        {"go wtime 500 btime 500 winc 2000 binc 2000", 250, 250},
        {"go wtime 60000 btime 60000 winc -2147483648 binc -99999999999", 50000.0 / 35, 100000.0 / 35},
        // A forced reply gets a ninth of what the clock allows, a fixed move time all of it.
        {"go wtime 60000 btime 60000 winc 2147483647 binc 2147483647", 50000.0 / 9, 100000.0 / 9, 99, 0,
         ONE_LEGAL_MOVE},
        {"go movetime 900", 900, 1800, 99, 0, ONE_LEGAL_MOVE},
        {"go movetime -5", 25, 50},
        {"go movetime 99999999999", INT_MAX, 2.0 * INT_MAX},
        {"go depth 2147483647", LONG, 2 * LONG},
        {"go depth -3", LONG, 2 * LONG, 1},
        {"go mate -2147483648", LONG, 2 * LONG, 1},
        {"go nodes 0", LONG, 2 * LONG, 99, 1},
        {"go nodes 99999999999999999999", LONG, 2 * LONG, 99, INT64_MAX},
    };
    role.is_master = 1;
    timer.search_start = 0;
    for (const auto& r : rows) {
        setup_position(r.fen);
        limits.clock_ms[WHITE] = limits.clock_ms[BLACK] = 0;
        set_limits_from_go(r.go);
        plan_time();
        SCOPED_TRACE(r.go);
        EXPECT_DOUBLE_EQ(timer.budget, r.budget);
        EXPECT_DOUBLE_EQ(timer.target_time, r.budget);
        EXPECT_DOUBLE_EQ(timer.hard_limit, r.hard_limit);
        EXPECT_EQ(limits.max_depth, r.max_depth);
        EXPECT_EQ(limits.node_limit, r.node_limit);
    }
}

}  // namespace
