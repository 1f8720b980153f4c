// The evaluation entry with its legality verdict, in-check flag, lazy exit
// and cache.
#pragma once

#include <cstdint>

#include "board/types.h"
#include "eval/attack_table.h"

// Score of the current position for side (the side to move), or
// ILLEGAL_SCORE when side attacks the enemy king. Writes in_check,
// tablebase_hit and search.check_slot[ply].
int evaluate(int side, int ply, int& in_check, int& tablebase_hit);
int evaluate_full(int side, int base);
