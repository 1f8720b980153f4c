// Placeholder: replaced by the option and limit setters.
#include "frontend/options.h"

EngineOptions options = {0, "", 0, 0, 1, 1, STYLE_NORMAL, 1, 0, JUX_PROCESS_COUNT};
SearchLimits limits;

int set_moves_to_go(int, int) { return 0; }
int set_infinite() { return 0; }
void set_move_time(int) {}
int set_depth(int depth) { return depth; }
int set_clock_increment(int, int increment_seconds) { return increment_seconds; }
