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
int count_legal_root_moves(int side, int ep_square);
int root_in_tablebases(int side, int ep_square);
