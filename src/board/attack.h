#pragma once

#include "board/types.h"

// 1 when any piece of by_side attacks square s on the current board.
int is_attacked(Square s, int by_side);
