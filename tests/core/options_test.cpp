// The limit setters with the worked numbers of the clock rules.
#include "core/options.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

// The calls as text for the failure message, and as a function.
#define CALLS(...) #__VA_ARGS__, [] { return __VA_ARGS__; }

TEST(Setters, BudgetsResultsAndTheLastSetterDecides) {
    constexpr double INF = INFINITE_TIME_MS;
    constexpr double MAX_MS = (INT_MAX - 10.0) * 1000;
    const struct {
        const char* text;
        int (*calls)();
        int result, time_mode;
        double white_ms, black_ms;
        int moves_to_go, increment, max_depth;
    } rows[] = {
        // Moves to go keep five seconds in hand, a clock with increment ten.
        {CALLS(set_moves_to_go(20, 30)), 25, TIME_MOVES_TO_GO, 25000, 25000, 20, 0, 99},
        {CALLS(set_moves_to_go(40, 3)), 0, TIME_MOVES_TO_GO, 0, 0, 40, 0, 99},
        {CALLS(set_moves_to_go(40, -100)), 0, TIME_MOVES_TO_GO, 0, 0, 40, 0, 99},
        {CALLS(set_clock_increment(60, 2)), 2, TIME_CLOCK_INCREMENT, 50000, 50000, 9999, 2, 99},
        {CALLS(set_clock_increment(8, 0)), 0, TIME_CLOCK_INCREMENT, 0, 0, 9999, 0, 99},
        {CALLS(set_clock_increment(INT_MAX, 0)), 0, TIME_CLOCK_INCREMENT, MAX_MS, MAX_MS, 9999, 0, 99},
        // Fixed budgets write only the entry of the clock side (black here).
        {CALLS(set_infinite()), 1, TIME_FIXED, 777, INF, 0, 0, 99},
        {CALLS(set_move_time(1500), 0), 0, TIME_FIXED, 777, 1500, 0, 0, 99},
        {CALLS(set_depth(5)), 5, TIME_FIXED, 777, INF, 0, 0, 5},
        {CALLS(set_depth(150)), 150, TIME_FIXED, 777, INF, 0, 0, 99},
        {CALLS(set_depth(5), set_move_time(1000), 0), 0, TIME_FIXED, 777, 1000, 0, 0, 99},
        {CALLS(set_depth(5), set_infinite()), 1, TIME_FIXED, 777, INF, 0, 0, 99},
    };
    for (const auto& r : rows) {
        limits.time_mode = limits.moves_to_go[0] = limits.moves_to_go[1] = limits.increment =
            limits.max_depth = 0;
        limits.clock_ms[0] = limits.clock_ms[1] = 777;
        limits.clock_side = 1;
        const int result = r.calls();
        EXPECT_EQ(
            std::tuple(result, limits.time_mode, limits.clock_ms[0], limits.clock_ms[1],
                       limits.moves_to_go[0], limits.moves_to_go[1], limits.increment, limits.max_depth),
            std::tuple(r.result, r.time_mode, r.white_ms, r.black_ms, r.moves_to_go, r.moves_to_go,
                       r.increment, r.max_depth))
            << r.text;
    }
}
