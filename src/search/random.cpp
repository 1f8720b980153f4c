#include "search/random.h"

namespace {
uint32_t random_state = 1;
}

void seed_random(uint32_t seed) { random_state = seed; }

uint32_t process_seed(uint32_t seconds, int worker_id) {
    // Workers of one engine receive "uci" within the same second: each
    // needs a stream of its own, or they would walk the same randomised
    // order and search the same nodes. Multiplying by an odd constant keeps
    // distinct numbers distinct.
    return seconds ^ (static_cast<uint32_t>(worker_id) * 0x9E3779B9u);
}

int next_random() {
    random_state = random_state * 214013u + 2531011u;
    return static_cast<int>((random_state >> 16) & 32767);
}
