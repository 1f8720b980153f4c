#include "eval/weights.h"

EvalWeights weights;

void set_evaluation_weights() {
    weights.half_open_weak_pawn = -12;
    weights.pawn_neighbour_weight = 8;
    weights.pin_bonus = 24;
    weights.defended_attacked_penalty = -8;
    weights.blocked_centre_pawn = -15;
    weights.blocked_backward_pawn = -5;
    weights.doubled_pawn = -4;
    weights.pawn_isolated_weight = 4;
    weights.rook_half_open_file = 10;
    weights.rook_open_file = 4;
    weights.discovery_bonus = 16;
    weights.hanging_penalty = -12;
    weights.threat_weight = -18;
}
