// Standard algebraic notation (Nf3, exd6, O-O-O, e8=Q+, Rad1, Qh4xe1) as it
// appears in game files, read against the current position.
#pragma once

#include "board/types.h"

// Looks for the legal move of side that the text names in the current
// position with the given en-passant square. Accepts check and mate marks,
// annotation marks (!, ?), "e.p.", castling with O or 0, promotions with or
// without "=", and long forms such as Ng1f3, Ng1-f3 or e2e4. Returns 1 and
// writes out_move when exactly one legal move fits; 0 when none fits or the
// text is ambiguous.
int find_move_by_san(int side, const char* text, Move& out_move, int ep_square);

// 1 when move, made by side, does not leave side's king attacked.
int move_is_legal(Move move, int side);
