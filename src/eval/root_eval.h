// Evaluation of the current position as the search driver sees it before
// its first iteration: root tables prepared, piece-square sums recomputed,
// no previous score, no iteration running.
#pragma once

// Returns evaluate(side_to_move, 1, ...). The caller decides about the
// evaluation caches and tablebases.
int evaluate_at_root(int& in_check, int& tablebase_hit);
