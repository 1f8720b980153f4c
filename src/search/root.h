// Iterative deepening and the MTD-style root driver.
#pragma once

#include "board/types.h"

// The opening book, which the front end installs: the move to play at once
// instead of searching, or 0. Until then every search searches.
struct RootBook {
    Move (*book_move)();
};
extern RootBook root_book;

// Processes that search the same depth at the same time walk the same
// tree and mostly repeat each other's work. A worker of odd number searches
// each iteration this much deeper than the master: it spends its time on
// entries that cut the master's next iteration short. Workers of even
// number keep the master's depths and differ by their randomised order.
inline constexpr int WORKER_DEPTH_LEAD = 1;
// The depth that iteration (1, 2, ...) searches in this process.
int iteration_depth_of(int iteration);

int start_search(int ponder);
int run_search(int ep_square);
int mtd_root(int side, int guess, int depth);
int count_legal_root_moves(int side, int ep_square);
int root_in_tablebases(int side, int ep_square);
