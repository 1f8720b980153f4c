// Game phase with its derived weights, and the per-search piece-square
// tables prepared for the root position.
#pragma once

#include <cstdint>

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
};
extern PhaseState phase_state;

// The piece-square tables of one search, per side, as prepare_evaluation
// leaves them; slot_pst takes its rows from here.
struct RootTables {
    int32_t pawn_pst[2][64];
    int32_t knight_pst[2][64];
    int32_t bishop_pst[2][64];
    int32_t rook_pst[2][64];
    int32_t queen_pst[2][64];
    int32_t king_pst[2][64];
};
extern RootTables root_tables;

void update_phase();
void prepare_evaluation();
// pst_sum of both sides from slot_pst over the live pieces.
void recompute_pst_sum();
