// The evaluation entry with its legality verdict, in-check flag, lazy exit
// and cache.
#pragma once

#include <cstdint>

#include "board/types.h"
#include "eval/attack_table.h"

// What the evaluation reads from the search that calls it, and the check
// slot it leaves there at every ply. The search's state begins with these
// fields and points eval_context at itself at start-up; until then the
// evaluation reads a context of its own (no search under way).
struct EvalContext {
    int32_t root_score;                    // last finished iteration, side_to_move's view
    int32_t iteration_depth;               // 0 before the first iteration
    int32_t on_first_path;                 // the node lies on the first path of the iteration
    int32_t check_slot[MAX_PLY + 1];       // written by evaluate
    int32_t ep_square_at_ply[MAX_PLY + 1];
};
extern EvalContext* eval_context;

// Score of the current position for side (the side to move), or
// ILLEGAL_SCORE when side attacks the enemy king. Writes in_check,
// tablebase_hit and eval_context->check_slot[ply].
int evaluate(int side, int ply, int& in_check, int& tablebase_hit);
// The full evaluation from base (material and piece squares), as evaluate
// does it once both attack tables and eval_state.occupied are current.
int evaluate_full(int side, int base);
