// The one global position of this process, changed in place by make and
// unmake, and the Zobrist key table.
#pragma once

#include <cstdint>

#include "board/types.h"

// One record per game ply: what make needs to take the move back and what
// repetition detection compares. key_high is 0 for a null move of the search.
struct HistoryRecord {
    int32_t move;
    uint32_t key_high;
    int32_t captured_piece;
    int32_t captured_slot;
};

// Room for the game before a FEN's move number (bounded by the setup), the
// longest "moves" list one input line can carry, and a full search path.
inline constexpr int FEN_GAME_PLY_LIMIT = 1023;
inline constexpr int MOVE_HISTORY_SIZE = 4096;

struct Position {
    int32_t board_piece[64];    // piece code per square, 0 when empty
    int32_t board_colour[64];   // 0 white, 1 black, 2 empty
    int32_t square_moves[64];   // departures plus captures on the square; castling needs 0
    int32_t castle_off[2];      // the side has castled or never had the right
    int32_t piece_list[2][16];  // squares per side, slot 0 the king, DEAD_SLOT when captured
    int32_t piece_count[2];     // slots in use, never shrinks during make/unmake
    int32_t list_slot[64];      // slot of the piece on an occupied square
    int32_t material_signature[2];
    int32_t pawn_file_count[2][8];
    int32_t slot_pst[2][16][64];  // piece-square value by side, slot, square (filled per search)
    int32_t pst_sum[2];
    uint32_t hash_key_low;
    uint32_t hash_key_high;
    int32_t side_to_move;
    int32_t ep_square;  // 0 when none
    int32_t game_ply;
    int32_t last_irreversible_ply;
    HistoryRecord move_history[MOVE_HISTORY_SIZE];
    int32_t captured_at_ply[MAX_PLY + 1];
};

extern Position pos;

// zobrist_keys[colour][piece][square], low half first; row 0 unused.
struct ZobristKey {
    uint32_t low;
    uint32_t high;
};
extern const ZobristKey zobrist_keys[2][7][64];

// Material signature increments (king counts nothing; bishops by square colour).
inline constexpr int SIGNATURE_PAWN = 1;
inline constexpr int SIGNATURE_KNIGHT = 16;
inline constexpr int SIGNATURE_DARK_BISHOP = 64;
inline constexpr int SIGNATURE_LIGHT_BISHOP = 128;
inline constexpr int SIGNATURE_ROOK = 256;
inline constexpr int SIGNATURE_QUEEN = 1024;
inline constexpr int SIGNATURE_PIECES_MASK = 0xFF0;  // everything but the pawns
inline constexpr int SIGNATURE_MINORS_AND_ROOKS_MASK = 0x3F0;
inline constexpr int SIGNATURE_QUEENS_MASK = 0xC00;
int signature_increment(int piece, Square s);

void reset_to_start_position();
void clear_board();
void reset_game_record();
void rebuild_derived_state();
void key_move_piece(int colour, int piece, Square from, Square to);

#ifdef JUX_CHECKS
// Recomputes everything derivable from the board arrays and compares.
bool position_is_consistent();
#endif
