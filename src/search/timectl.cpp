// Placeholder: replaced by the time control.
#include "search/timectl.h"

#include "platform/clock.h"

TimeControl timer;

double tick_ms() { return monotonic_ms(); }
void plan_time() {}
int iteration_end_test() { return 1; }
int should_stop() { return 0; }
int periodic_check() { return 0; }
void extend_time() {}
