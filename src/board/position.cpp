// The global position and the routines that set it up or recompute what is
// derived from the board arrays.
#include "board/position.h"

#include <cstring>

#include "board/geometry.h"

Position pos;

namespace {

// Back rank from file a: R N B Q K B N R.
const int32_t back_rank[8] = {ROOK, KNIGHT, BISHOP, QUEEN, KING, BISHOP, KNIGHT, ROOK};

}  // namespace

int signature_increment(int piece, Square s) {
    switch (piece) {
        case PAWN:
            return SIGNATURE_PAWN;
        case KNIGHT:
            return SIGNATURE_KNIGHT;
        case BISHOP:
            return square_is_dark[s] ? SIGNATURE_DARK_BISHOP : SIGNATURE_LIGHT_BISHOP;
        case ROOK:
            return SIGNATURE_ROOK;
        case QUEEN:
            return SIGNATURE_QUEEN;
        default:
            return 0;
    }
}

void reset_to_start_position() {
    for (Square s = 0; s < 64; s++) {
        pos.square_moves[s] = 0;
        pos.board_piece[s] = NO_PIECE;
        pos.board_colour[s] = EMPTY;
    }
    for (int f = 0; f < 8; f++) {
        pos.board_piece[f] = back_rank[f];
        pos.board_colour[f] = WHITE;
        pos.board_piece[8 + f] = PAWN;
        pos.board_colour[8 + f] = WHITE;
        pos.board_piece[48 + f] = PAWN;
        pos.board_colour[48 + f] = BLACK;
        pos.board_piece[56 + f] = back_rank[f];
        pos.board_colour[56 + f] = BLACK;
    }
    pos.castle_off[WHITE] = pos.castle_off[BLACK] = 0;
}

void clear_board() {
    pos.castle_off[WHITE] = pos.castle_off[BLACK] = 1;
    for (Square s = 0; s < 64; s++) {
        pos.square_moves[s] = 1;
        pos.board_colour[s] = EMPTY;
        pos.board_piece[s] = NO_PIECE;
    }
}

void reset_game_record() {
    std::memset(pos.move_history, 0, sizeof pos.move_history);
    pos.game_ply = 0;
}

void key_move_piece(int colour, int piece, Square from, Square to) {
    if (from >= 0) {
        pos.hash_key_low ^= zobrist_keys[colour][piece][from].low;
        pos.hash_key_high ^= zobrist_keys[colour][piece][from].high;
    }
    if (to >= 0) {
        pos.hash_key_low ^= zobrist_keys[colour][piece][to].low;
        pos.hash_key_high ^= zobrist_keys[colour][piece][to].high;
    }
}

// Piece lists in the order the rest of the engine relies on: slot 0 the king,
// then queens, rooks, bishops, knights and pawns, each by rising square.
void rebuild_derived_state() {
    pos.material_signature[WHITE] = pos.material_signature[BLACK] = 0;
    std::memset(pos.pawn_file_count, 0, sizeof pos.pawn_file_count);
    pos.hash_key_low = pos.hash_key_high = 0;
    pos.piece_count[WHITE] = pos.piece_count[BLACK] = 1;
    for (int piece = KING; piece >= PAWN; piece--) {
        for (Square s = 0; s < 64; s++) {
            if (pos.board_piece[s] != piece) continue;
            int c = pos.board_colour[s];
            pos.material_signature[c] += signature_increment(piece, s);
            if (piece == PAWN) pos.pawn_file_count[c][file_of(s)]++;
            int slot = piece == KING ? 0 : pos.piece_count[c]++;
            pos.list_slot[s] = slot;
            pos.piece_list[c][slot] = s;
            key_move_piece(c, piece, s, -1);
        }
    }
}

#ifdef JUX_CHECKS
bool position_is_consistent() {
    int32_t signature[2] = {0, 0};
    int32_t pawn_files[2][8] = {};
    uint32_t low = 0, high = 0;
    for (Square s = 0; s < 64; s++) {
        int piece = pos.board_piece[s], c = pos.board_colour[s];
        if ((piece == NO_PIECE) != (c == EMPTY)) return false;
        if (piece == NO_PIECE) continue;
        signature[c] += signature_increment(piece, s);
        if (piece == PAWN) pawn_files[c][file_of(s)]++;
        low ^= zobrist_keys[c][piece][s].low;
        high ^= zobrist_keys[c][piece][s].high;
        int slot = pos.list_slot[s];
        if (slot < 0 || slot >= pos.piece_count[c] || pos.piece_list[c][slot] != s) return false;
        if ((piece == KING) != (slot == 0)) return false;
    }
    for (int c = 0; c < 2; c++) {
        for (int slot = 0; slot < pos.piece_count[c]; slot++) {
            int s = pos.piece_list[c][slot];
            if (s == DEAD_SLOT) continue;
            if (s < 0 || s > 63 || pos.board_colour[s] != c || pos.list_slot[s] != slot) return false;
        }
    }
    return signature[0] == pos.material_signature[0] && signature[1] == pos.material_signature[1] &&
           std::memcmp(pawn_files, pos.pawn_file_count, sizeof pawn_files) == 0 && low == pos.hash_key_low &&
           high == pos.hash_key_high;
}
#endif
