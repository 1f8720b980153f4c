// The limits a "go" line leaves and the time budget planned from them, for
// the numbers a front end should never send as much as for the usual ones;
// the CPU load figure, and the number reader of the option lines.
#include "frontend/go.h"

#include <gtest/gtest.h>

#include <climits>

#include "board/board_fixture.h"
#include "core/options.h"
#include "core/role.h"
#include "frontend/command_text.h"
#include "search/timectl.h"

namespace {

constexpr const char* ONE_LEGAL_MOVE = "7k/8/8/8/8/8/6q1/K7 w - - 0 1";  // only Kb1
constexpr double LONG = 1e13;                                            // no time limit

TEST(GoLimits, EveryNumberGivesABudgetBetweenTheFloorAndTheClock) {
    const struct {
        const char* go;
        const char* fen;
        double budget, hard_limit;  // the limit relative to the start
        int max_depth;
        int64_t node_limit;
    } rows[] = {
        // 60 s less the 10 s margin: a 35th, twice that at the most.
        {"go wtime 60000 btime 60000", START_FEN, 50000.0 / 35, 100000.0 / 35, 99, 0},
        // Moves to go: 60 s less 5 s, over the moves left and this one;
        // fewer than one move left counts as one.
        {"go wtime 60000 btime 60000 movestogo 10", START_FEN, 5000, 10000, 99, 0},
        {"go wtime 60000 btime 60000 movestogo 0", START_FEN, 27500, 27500, 99, 0},
        {"go wtime 60000 btime 60000 movestogo -99999999999", START_FEN, 27500, 27500, 99, 0},
        {"go wtime 60000 btime 60000 movestogo 99999999999", START_FEN, 25, 50, 99, 0},
        // Clocks below the margin, negative or beyond the int range.
        {"go wtime -2147483648 btime 0 movestogo 10", START_FEN, 25, 25, 99, 0},
        {"go wtime 99999999999 btime 1", START_FEN, 2147473000.0 / 35, 2 * 2147473000.0 / 35, 99, 0},
        // An increment adds three quarters of itself, but never beyond the
        // usable clock or half of what is left; a negative one adds nothing.
        {"go wtime 60000 btime 60000 winc 2000 binc 2000", START_FEN, 50000.0 / 35 + 1500,
         2 * (50000.0 / 35 + 1500), 99, 0},
        {"go wtime 60000 btime 60000 winc 2147483647 binc 2147483647", START_FEN, 50000, 50000, 99, 0},
        {"go wtime 8000 btime 8000 winc 2000 binc 2000", START_FEN, 1500, 1500, 99, 0},
        {"go wtime 500 btime 500 winc 2000 binc 2000", START_FEN, 250, 250, 99, 0},
        {"go wtime -500 btime -500 winc 2000 binc 2000", START_FEN, 25, 25, 99, 0},
        {"go wtime 60000 btime 60000 winc -2147483648 binc -99999999999", START_FEN, 50000.0 / 35,
         100000.0 / 35, 99, 0},
        // A forced reply gets a ninth of what the clock allows.
        {"go wtime 60000 btime 60000 winc 2147483647 binc 2147483647", ONE_LEGAL_MOVE, 50000.0 / 9,
         100000.0 / 9, 99, 0},
        // Fixed searches: the move time itself, at least the floor.
        {"go movetime -5", START_FEN, 25, 50, 99, 0},
        {"go movetime 900", ONE_LEGAL_MOVE, 900, 1800, 99, 0},  // not cut for a forced reply
        {"go movetime 99999999999", START_FEN, INT_MAX, 2.0 * INT_MAX, 99, 0},
        {"go depth 2147483647", START_FEN, LONG, 2 * LONG, 99, 0},
        {"go depth -3", START_FEN, LONG, 2 * LONG, 1, 0},
        {"go mate -2147483648", START_FEN, LONG, 2 * LONG, 1, 0},
        // A node limit of at least one node, however few are asked for.
        {"go nodes 0", START_FEN, LONG, 2 * LONG, 99, 1},
        {"go nodes 99999999999999999999", START_FEN, LONG, 2 * LONG, 99, INT64_MAX},
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

TEST(CpuLoad, KernelAndUserTimeAreEachTakenInWholeMillisecondsFirst) {
    const struct {
        int64_t kernel_100ns, user_100ns, elapsed_ms, load;
    } rows[] = {
        {15000, 15000, 1000, 2},          // 1.5 ms each: 1 + 1, where the sum would give 3
        {10000000, 0, 1000, 1000},        // one busy second
        {20000000, 16000000, 4000, 900},  // 2 s + 1.6 s in 4 s
        {36000000000, 0, 3600000, 1000},  // an hour, in 64 bits
        {10000, 10000, 0, 0},             // no time has passed
    };
    for (const auto& r : rows)
        EXPECT_EQ(cpu_load_thousandths(r.kernel_100ns, r.user_100ns, r.elapsed_ms), r.load)
            << r.kernel_100ns << " " << r.user_100ns << " " << r.elapsed_ms;
}

TEST(ReadDecimal, ReadsLikeTheRuntimeConversionAndHoldsAtTheIntRange) {
    const std::pair<const char*, int32_t> rows[] = {
        {"  \t-17x", -17},
        {"+5 6", 5},
        {"abc", 0},
        {"- 5", 0},
        {"2147483648", INT_MAX},
        {"-99999999999999999999999", INT_MIN},
    };
    for (const auto& [text, value] : rows) EXPECT_EQ(read_decimal(text), value) << text;
}

}  // namespace
