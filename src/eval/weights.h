// The thirteen evaluation weights set once at start-up.
#pragma once

#include <cstdint>

struct EvalWeights {
    int32_t half_open_weak_pawn;
    int32_t pawn_neighbour_weight;
    int32_t pin_bonus;
    int32_t defended_attacked_penalty;
    int32_t blocked_centre_pawn;
    int32_t blocked_backward_pawn;
    int32_t doubled_pawn;
    int32_t pawn_isolated_weight;
    int32_t rook_half_open_file;
    int32_t rook_open_file;
    int32_t discovery_bonus;
    int32_t hanging_penalty;
    int32_t threat_weight;
};
extern EvalWeights weights;

void set_evaluation_weights();
