// Iterative deepening and the MTD-style root driver.
#pragma once

#include "board/types.h"

int start_search(int ponder);
int run_search(int ep_square);
int mtd_root(int side, int guess, int depth);
int count_legal_root_moves(int side, int ep_square);
int root_in_tablebases(int side, int ep_square);
