#pragma once

#include "board/position.h"
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

// The low key half the position will have once side plays a quiet move,
// double step or capture (other moves: the key as it is). The search asks
// for the child's table lines with it before the move is made.
inline uint32_t key_low_after(Move move, int side) {
    const int type = move_type(move);
    if (type != MOVE_QUIET && type != MOVE_DOUBLE_STEP && type != MOVE_CAPTURE) return pos.hash_key_low;
    const Square from = move_from(move), to = move_to(move);
    const ZobristKey* keys = zobrist_keys[side][pos.board_piece[from]];
    uint32_t low = pos.hash_key_low ^ keys[from].low ^ keys[to].low;
    if (type == MOVE_CAPTURE) low ^= zobrist_keys[side ^ 1][pos.board_piece[to]][to].low;
    return low;
}
