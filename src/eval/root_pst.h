// The per-search piece-square tables prepared for the root position.
#pragma once

#include <cstdint>

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

void prepare_evaluation();
// pst_sum of both sides from slot_pst over the live pieces.
void recompute_pst_sum();
