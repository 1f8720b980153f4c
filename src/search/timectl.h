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
    // The periodic check reads waiting commands; tools that search without a
    // front end (bench) switch this off so that their own input is left alone.
    int32_t poll_input;
};
extern TimeControl timer;

// Handles at most one waiting command line during a search. The front end
// installs its interpreter here; until then nothing is read.
struct InputPoll {
    void (*poll)();
};
extern InputPoll input_poll;

// What a waiting search waits for: "ponderhit" or "stop" while pondering,
// or, after an infinite or ponder search ended early, the "stop" (or
// "ponderhit") that allows its "bestmove".
enum class WaitFor { PONDER_END, ANSWER_RELEASE };
// Sleeps and polls the input until the wait is over; "stop" ends any wait.
void wait_polling(WaitFor what);

double tick_ms();
// Tests drive the clock by hand; nullptr restores the monotonic clock.
void set_tick_source(double (*source)());

void plan_time();
int iteration_end_test();  // 1 = stop iterating
int should_stop();
int periodic_check();
void extend_time();
