// Clocks and pauses.
#pragma once

#include <cstdint>

// Monotonic milliseconds (since an arbitrary fixed point), as a double.
double monotonic_ms();
// CPU time (kernel + user) used by the calling thread, in 100-nanosecond units.
int64_t thread_cpu_time_100ns();
// The calling thread's CPU time split into kernel and user time, in
// 100-nanosecond units.
struct ThreadTimes {
    int64_t kernel_100ns;
    int64_t user_100ns;
};
ThreadTimes thread_times();
// Calendar time in seconds (seeds the random generator).
uint32_t calendar_seconds();
void sleep_ms(int milliseconds);
