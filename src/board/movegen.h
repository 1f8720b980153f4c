#pragma once

#include <cstdint>

#include "board/types.h"

// Quiet moves carry their history score from generation on: the search
// points this at its history table at start-up (until then they score 0).
extern const int32_t* quiet_move_scores;

// Writes the pseudo-legal moves of side into list, closed by a terminator.
// all_moves 0: captures, en passant and promotions only. ep_square > 0
// enables en-passant captures onto it. Returns the entries written including
// the terminator (1 means no moves).
int generate_moves(MoveEntry* list, int side, int all_moves, int ep_square);
// The all_moves of generate_moves.
inline constexpr int CAPTURES_ONLY = 0;  // captures, en passant and promotions
inline constexpr int ALL_MOVES = 1;
