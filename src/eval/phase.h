// Game phase with its derived weights, from the material on the board.
#pragma once

#include <cstdint>

#include "board/geometry.h"
#include "board/position.h"

struct PhaseState {
    int32_t phase;       // 0 full material .. 10 bare endgame; -1 before the first computation
    int32_t root_phase;  // per search, on its own scale
    int32_t opening_weight;
    int32_t near_piece_bonus;
    int32_t bishop_outpost_weight;
    int32_t king_file_open_own;
    int32_t king_file_open_enemy;
    int32_t lost_castling_penalty;
    int32_t king_attack_weight;
    int32_t opposite_castling;
    int32_t king_zone_value[2][64];
    uint64_t king_zone_squares[2];  // the squares king_zone_value covers: the enemy king and its ring
};
extern PhaseState phase_state;

// Piece material of one side, and of both sides together, without pawns.
inline int32_t piece_material(int side) {
    return material_of(pos.material_signature[side] & SIGNATURE_PIECES_MASK);
}
int32_t piece_material_both();
bool any_queen();
void update_phase();
// Forgets the phase of the last position, so that the next evaluation
// computes it (and the root phase) afresh.
void forget_phase();
