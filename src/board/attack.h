#pragma once

#include "board/types.h"

// 1 when any piece of by_side attacks square s on the current board.
int is_attacked(Square s, int by_side);

// After a move from `from` by a piece other than the king, made while the
// king on `king` was not in check and with no en-passant capture: only a
// slider of by behind `from` on the king's line can now attack the king, so
// the first piece on that ray decides.
bool discovers_check(Square king, Square from, int by);

// Whether the piece on s attacks target on the current board (a slider sees
// up to the first piece on its line).
bool piece_attacks(Square s, Square target);
