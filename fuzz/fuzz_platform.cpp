#include <cstdint>

#include "fuzz_support.h"
#include "platform/clock.h"
#include "platform/exit.h"
#include "search/node.h"
#include "search/timectl.h"

namespace {

struct FuzzClock {
    double now_ms = 0;
    uint64_t nodes_seen = 0;  // search.node_count at the last reading
} fuzz_clock;

}  // namespace

void reset_fuzz_clock() {
    fuzz_clock = {};
}

double monotonic_ms() {
    const uint64_t nodes = search.node_count;
    if (nodes < fuzz_clock.nodes_seen) fuzz_clock.nodes_seen = 0;  // a new search counts from 0
    fuzz_clock.now_ms += 1 + static_cast<double>(nodes - fuzz_clock.nodes_seen);
    fuzz_clock.nodes_seen = nodes;
    const double limit = timer.hard_limit > timer.target_time ? timer.hard_limit : timer.target_time;
    if (nodes > FUZZ_SEARCH_NODES && fuzz_clock.now_ms <= limit) fuzz_clock.now_ms = limit + 1;
    return fuzz_clock.now_ms;
}

uint32_t calendar_seconds() {
    return 1000000000;
}

void sleep_ms(int milliseconds) {
    if (milliseconds > 0) fuzz_clock.now_ms += milliseconds;
}

void end_process(int status) {
    throw ProcessEnd{status};
}
