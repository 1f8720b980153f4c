#include "platform/clock.h"

#include <sys/resource.h>
#include <time.h>

double monotonic_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

int64_t thread_cpu_time_100ns() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 10000000 + ts.tv_nsec / 100;
}

ThreadTimes thread_times() {
    rusage usage;
    if (getrusage(RUSAGE_THREAD, &usage) != 0) return {0, 0};
    const auto in_100ns = [](const timeval& t) {
        return static_cast<int64_t>(t.tv_sec) * 10000000 + static_cast<int64_t>(t.tv_usec) * 10;
    };
    return {in_100ns(usage.ru_stime), in_100ns(usage.ru_utime)};
}

uint32_t calendar_seconds() {
    return static_cast<uint32_t>(time(nullptr));
}

void sleep_ms(int milliseconds) {
    if (milliseconds <= 0) return;
    timespec ts{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}
