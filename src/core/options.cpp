#include "core/options.h"

#include <climits>

EngineOptions options = {
    0,                  // debug_mode
    "",                 // nalimov_path
    0,                  // nalimov_cache_mb
    0,                  // tablebase_pieces
    1,                  // use_tablebases
    1,                  // null_move
    STYLE_NORMAL,       // style
    1,                  // own_book
    0,                  // brute_force
    JUX_PROCESS_COUNT,  // process_count
};

// Everything starts at zero: no time mode, no budget, white's clock.
SearchLimits limits;

namespace {

// Clock safety margins in seconds: a clock below its margin gives no budget.
constexpr int MOVES_TO_GO_MARGIN = 5;
constexpr int INCREMENT_MARGIN = 10;
// With an increment the game has no time control to count moves to.
constexpr int NO_TIME_CONTROL_MOVES = 9999;

}  // namespace

int set_moves_to_go(int moves, int seconds) {
    limits.time_mode = TIME_MOVES_TO_GO;
    limits.moves_to_go[0] = limits.moves_to_go[1] = moves;
    int usable = (seconds > MOVES_TO_GO_MARGIN ? seconds : MOVES_TO_GO_MARGIN) - MOVES_TO_GO_MARGIN;
    limits.clock_ms[0] = limits.clock_ms[1] = usable * 1000.0;
    limits.clock_left_ms[0] = limits.clock_left_ms[1] = (seconds > 0 ? seconds : 0) * 1000.0;
    limits.max_depth = DEEPEST_ITERATION;
    return usable;
}

int set_infinite() {
    limits.time_mode = TIME_FIXED;
    limits.clock_ms[limits.clock_side] = INFINITE_TIME_MS;
    limits.max_depth = DEEPEST_ITERATION;
    return limits.clock_side;
}

void set_move_time(int ms) {
    limits.time_mode = TIME_FIXED;
    limits.clock_ms[limits.clock_side] = ms;
    limits.max_depth = DEEPEST_ITERATION;
}

int set_depth(int depth) {
    limits.time_mode = TIME_FIXED;
    limits.clock_ms[limits.clock_side] = INFINITE_TIME_MS;
    limits.max_depth = depth > DEEPEST_ITERATION ? DEEPEST_ITERATION : depth;
    return depth;
}

int set_clock_increment(int seconds, int increment_seconds) {
    limits.time_mode = TIME_CLOCK_INCREMENT;
    limits.moves_to_go[0] = limits.moves_to_go[1] = NO_TIME_CONTROL_MOVES;
    limits.increment = increment_seconds;
    int usable = (seconds > INCREMENT_MARGIN ? seconds : INCREMENT_MARGIN) - INCREMENT_MARGIN;
    limits.clock_ms[0] = limits.clock_ms[1] = usable * 1000.0;
    limits.clock_left_ms[0] = limits.clock_left_ms[1] = (seconds > 0 ? seconds : 0) * 1000.0;
    limits.max_depth = DEEPEST_ITERATION;
    return increment_seconds;
}

int32_t megabytes_to_kilobytes(int32_t megabytes) {
    const int64_t kilobytes = int64_t{megabytes} * 1024;
    if (kilobytes > INT32_MAX) return INT32_MAX;
    if (kilobytes < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(kilobytes);
}
