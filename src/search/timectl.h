// Time control: budget, soft target and hard limit, the periodic check with
// its input poll and progress line, and time extensions.
#pragma once

#include <atomic>
#include <cstdint>

struct TimeControl {
    double search_start;  // tick at the start of the search
    double budget;
    double target_time;
    double hard_limit;
    std::atomic<int32_t> extension_count;  // "stop" sets it to 1
    int32_t score_margin;
    uint64_t next_check;  // node count of the next periodic check
    // Thread CPU time at the start of the search, for the load figures.
    int64_t cpu_start_100ns;
};
extern TimeControl timer;

double tick_ms();
void plan_time();
int iteration_end_test();  // 1 = stop iterating
int should_stop();
int periodic_check();
void extend_time();
