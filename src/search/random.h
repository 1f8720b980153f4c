// The process's pseudo-random generator: linear congruential, 15-bit
// results, seeded from the calendar clock by "uci". The book and the
// randomised move picker of workers draw from it.
#pragma once

#include <cstdint>

void seed_random(uint32_t seed);
int next_random();  // uniform 0..32767
