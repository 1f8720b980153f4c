#include "fuzz_platform.h"

#include <cstdint>

#include "platform/clock.h"
#include "platform/exit.h"
#include "search/node.h"
#include "search/timectl.h"

namespace {

struct FuzzClock {
    double now_ms;
    uint64_t nodes_seen;  // search.node_count at the last reading
};
FuzzClock fuzz_clock = {0, 0};

}  // namespace

void reset_fuzz_clock() {
    fuzz_clock = {0, 0};
}

double monotonic_ms() {
    const uint64_t nodes = search.node_count;
    // A new search counts its nodes from 0 again.
    if (nodes < fuzz_clock.nodes_seen) fuzz_clock.nodes_seen = 0;
    const double work = 1 + static_cast<double>(nodes - fuzz_clock.nodes_seen);
    fuzz_clock.nodes_seen = nodes;
    fuzz_clock.now_ms += work;
    if (nodes > FUZZ_SEARCH_NODES) {
        const double limit = timer.hard_limit > timer.target_time ? timer.hard_limit : timer.target_time;
        if (fuzz_clock.now_ms <= limit) fuzz_clock.now_ms = limit + 1;
    }
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
