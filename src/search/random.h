// The process's pseudo-random generator: linear congruential, 15-bit
// results, seeded from the calendar clock by "uci". The book and the
// randomised move picker of workers draw from it.
#pragma once

#include <cstdint>

void seed_random(uint32_t seed);
// The seed of a process from the calendar seconds: the seconds themselves in
// the master (worker_id 0), a different value in each worker.
uint32_t process_seed(uint32_t seconds, int worker_id);
int next_random();  // uniform 0..32767
