#include "search/random.h"

namespace {
uint32_t random_state = 1;
}

void seed_random(uint32_t seed) { random_state = seed; }

int next_random() {
    random_state = random_state * 214013u + 2531011u;
    return static_cast<int>((random_state >> 16) & 32767);
}
