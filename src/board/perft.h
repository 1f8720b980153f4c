#pragma once

#include <cstdint>

#include "board/types.h"

// Leaf count of the legal move tree below the current position, side to move
// and en-passant square given. Every node makes and unmakes its moves, and
// legality is tested as the search tests it (own king attacked after make).
uint64_t perft(int depth, int side, int ep_square);
