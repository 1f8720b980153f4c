#include "eval/root_eval.h"

#include "board/position.h"
#include "eval/evaluate.h"
#include "eval/root_pst.h"

int evaluate_at_root(int& in_check, int& tablebase_hit) {
    prepare_evaluation();
    recompute_pst_sum();
    eval_context->root_score = 0;
    eval_context->iteration_depth = 0;
    eval_context->on_first_path = 0;
    eval_context->ep_square_at_ply[0] = pos.ep_square;
    return evaluate(pos.side_to_move, 1, in_check, tablebase_hit);
}
