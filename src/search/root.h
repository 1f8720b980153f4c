// Iterative deepening and the MTD-style root driver.
#pragma once

#include "board/types.h"

// The opening book, which the front end installs: the move to play at once
// instead of searching, or 0. Until then every search searches.
struct RootBook {
    Move (*book_move)();
};
extern RootBook root_book;

int start_search(int ponder);
int run_search(int ep_square);
int mtd_root(int side, int guess, int depth);
// A worker's next zero-window bound, above lower and at most upper. The
// master moves its bound one unit past each result, so a score that moves
// far between iterations costs it one search per unit; a worker testing the
// same bounds would repeat its work. While one side of the score is unknown
// the worker strides ahead by stride, which doubles each time; once both are
// known it halves the bracket. The bounds it stores cut off the master's
// coming searches.
int worker_bound(int lower, int upper, int& stride);
int count_legal_root_moves(int side, int ep_square);
int root_in_tablebases(int side, int ep_square);
