#pragma once

#include <cstdint>

#include "board/types.h"

// Leaf count of the legal move tree below the current position, side to move
// and en-passant square given. Every node makes and unmakes its moves and
// tests each for the own king attacked after make: in full when the king was
// in check, moved or an en-passant capture left two squares, else along the
// one line the move can have opened.
uint64_t perft(int depth, int side, int ep_square);
