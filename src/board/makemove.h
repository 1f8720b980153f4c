#pragma once

#include "board/types.h"

// Plays move for side on the global position; ply indexes captured_at_ply.
// Returns the en-passant square the move creates (0 for none). The caller
// saves and restores hash key, material signatures, pst sums and
// last_irreversible_ply around make/unmake (see SavedState).
int make_move(Move move, int side, int ply);
// The ply slot of moves made outside the search (game moves, the root's
// trial moves, book code): a slot the search's own root never uses.
inline constexpr int TRIAL_MOVE_PLY = 5;
void unmake_move(Move move, int side);

// The values make changes arithmetically and unmake does not restore.
struct SavedState {
    uint32_t hash_key_low;
    uint32_t hash_key_high;
    int32_t material_signature[2];
    int32_t pst_sum[2];
    int32_t last_irreversible_ply;
};
SavedState save_state();
void restore_state(const SavedState& saved);
