// Make and unmake on the global position. Make keeps every derived array in
// step; unmake restores only the board arrays, because the caller keeps copies
// of the values make changes arithmetically (see SavedState).
#include "board/makemove.h"

#include "board/position.h"

namespace {

// Moves the piece on from to to, piece-square sum included.
inline void move_piece(Square from, Square to, int side) {
    int slot = pos.list_slot[from];
    pos.board_piece[to] = pos.board_piece[from];
    pos.board_colour[to] = side;
    pos.list_slot[to] = slot;
    pos.piece_list[side][slot] = to;
    pos.board_piece[from] = NO_PIECE;
    pos.board_colour[from] = EMPTY;
    pos.pst_sum[side] += pos.slot_pst[side][slot][to] - pos.slot_pst[side][slot][from];
}

// Takes a piece back from to to from (no piece-square bookkeeping needed).
inline void move_back(Square to, Square from, int side) {
    int slot = pos.list_slot[to];
    pos.board_piece[from] = pos.board_piece[to];
    pos.board_colour[from] = side;
    pos.list_slot[from] = slot;
    pos.piece_list[side][slot] = from;
    pos.board_piece[to] = NO_PIECE;
    pos.board_colour[to] = EMPTY;
}

// Removes the enemy piece on s: material, history record, piece-square sum, slot.
inline int remove_victim(Square s, int opp, HistoryRecord& record) {
    int victim = pos.board_piece[s];
    int slot = pos.list_slot[s];
    if (victim == PAWN) pos.pawn_file_count[opp][file_of(s)]--;
    pos.material_signature[opp] -= signature_increment(victim, s);
    record.captured_piece = victim;
    record.captured_slot = slot;
    pos.pst_sum[opp] -= pos.slot_pst[opp][slot][s];
    pos.piece_list[opp][slot] = DEAD_SLOT;
    key_move_piece(opp, victim, s, -1);
    return victim;
}

inline void restore_victim(Square s, int opp, const HistoryRecord& record) {
    pos.board_piece[s] = record.captured_piece;
    pos.board_colour[s] = opp;
    pos.list_slot[s] = record.captured_slot;
    pos.piece_list[opp][record.captured_slot] = s;
    if (record.captured_piece == PAWN) pos.pawn_file_count[opp][file_of(s)]++;
}

// New piece for promotion types 4..7 and 8..11: queen, knight, bishop, rook.
inline int promoted_piece(int type) {
    static const int piece[4] = {QUEEN, KNIGHT, BISHOP, ROOK};
    return piece[(type - MOVE_PROMOTE_QUEEN) & 3];
}

void castle(int side, Square king_from, Square king_to, Square rook_from, Square rook_to) {
    pos.square_moves[king_from]++;
    pos.square_moves[rook_from]++;
    move_piece(king_from, king_to, side);
    move_piece(rook_from, rook_to, side);
    key_move_piece(side, KING, king_from, king_to);
    key_move_piece(side, ROOK, rook_from, rook_to);
    pos.castle_off[side] = 1;
}

void uncastle(int side, Square king_from, Square king_to, Square rook_from, Square rook_to) {
    pos.square_moves[king_from]--;
    pos.square_moves[rook_from]--;
    move_back(king_to, king_from, side);
    move_back(rook_to, rook_from, side);
    pos.castle_off[side] = 0;
}

}  // namespace

int make_move(Move move, int side, int ply) {
    HistoryRecord& record = pos.move_history[++pos.game_ply];
    record.move = static_cast<int32_t>(move);
    pos.captured_at_ply[ply] = 0;
    const Square from = move_from(move), to = move_to(move);
    const int opp = side ^ 1;
    const int type = move_type(move);
    int ep = 0;

    switch (type) {
        case MOVE_QUIET: {
            int piece = pos.board_piece[from];
            pos.square_moves[from]++;
            move_piece(from, to, side);
            key_move_piece(side, piece, from, to);
            if (piece == PAWN) pos.last_irreversible_ply = pos.game_ply;  // a pawn step stays on its file
            break;
        }
        case MOVE_CAPTURE: {
            int piece = pos.board_piece[from];
            pos.square_moves[from]++;
            pos.square_moves[to]++;
            if (piece == PAWN) {
                pos.pawn_file_count[side][file_of(from)]--;
                pos.pawn_file_count[side][file_of(to)]++;
            }
            pos.captured_at_ply[ply] = remove_victim(to, opp, record);
            move_piece(from, to, side);
            key_move_piece(side, piece, from, to);
            pos.last_irreversible_ply = pos.game_ply;
            break;
        }
        case MOVE_DOUBLE_STEP:
            pos.square_moves[from]++;
            move_piece(from, to, side);
            key_move_piece(side, PAWN, from, to);
            pos.last_irreversible_ply = pos.game_ply;
            ep = side == WHITE ? to - 8 : to + 8;
            break;
        case MOVE_PROMOTE_QUEEN:
        case MOVE_PROMOTE_KNIGHT:
        case MOVE_PROMOTE_BISHOP:
        case MOVE_PROMOTE_ROOK:
        case MOVE_CAPTURE_PROMOTE_QUEEN:
        case MOVE_CAPTURE_PROMOTE_KNIGHT:
        case MOVE_CAPTURE_PROMOTE_BISHOP:
        case MOVE_CAPTURE_PROMOTE_ROOK: {
            int piece = promoted_piece(type);
            pos.square_moves[from]++;
            if (type >= MOVE_CAPTURE_PROMOTE_QUEEN) {
                pos.square_moves[to]++;
                remove_victim(to, opp, record);
            }
            move_piece(from, to, side);
            pos.board_piece[to] = piece;  // keeps the pawn's slot and its piece-square row
            pos.material_signature[side] += signature_increment(piece, to) - SIGNATURE_PAWN;
            pos.pawn_file_count[side][file_of(from)]--;
            key_move_piece(side, PAWN, from, -1);
            key_move_piece(side, piece, -1, to);
            pos.last_irreversible_ply = pos.game_ply;
            break;
        }
        case MOVE_EN_PASSANT: {
            Square victim = side == WHITE ? to - 8 : to + 8;
            pos.square_moves[from]++;
            move_piece(from, to, side);
            remove_victim(victim, opp, record);
            pos.board_piece[victim] = NO_PIECE;
            pos.board_colour[victim] = EMPTY;
            pos.pawn_file_count[side][file_of(from)]--;
            pos.pawn_file_count[side][file_of(to)]++;
            key_move_piece(side, PAWN, from, to);
            pos.captured_at_ply[ply] = PAWN;
            pos.last_irreversible_ply = pos.game_ply;
            break;
        }
        case MOVE_SHORT_CASTLE:
            if (side == WHITE)
                castle(side, E1, G1, H1, F1);
            else
                castle(side, E8, G8, H8, F8);
            break;
        case MOVE_LONG_CASTLE:
            if (side == WHITE)
                castle(side, E1, C1, A1, D1);
            else
                castle(side, E8, C8, A8, D8);
            break;
        default:  // the null move: only the ply and its record
            break;
    }
    record.key_high = pos.hash_key_high;
    return ep;
}

void unmake_move(Move move, int side) {
    const HistoryRecord& record = pos.move_history[pos.game_ply];
    const Square from = move_from(move), to = move_to(move);
    const int opp = side ^ 1;
    const int type = move_type(move);

    switch (type) {
        case MOVE_QUIET:
        case MOVE_DOUBLE_STEP:
            pos.square_moves[from]--;
            move_back(to, from, side);
            break;
        case MOVE_CAPTURE:
            pos.square_moves[from]--;
            pos.square_moves[to]--;
            if (pos.board_piece[to] == PAWN) {
                pos.pawn_file_count[side][file_of(to)]--;
                pos.pawn_file_count[side][file_of(from)]++;
            }
            move_back(to, from, side);
            restore_victim(to, opp, record);
            break;
        case MOVE_PROMOTE_QUEEN:
        case MOVE_PROMOTE_KNIGHT:
        case MOVE_PROMOTE_BISHOP:
        case MOVE_PROMOTE_ROOK:
        case MOVE_CAPTURE_PROMOTE_QUEEN:
        case MOVE_CAPTURE_PROMOTE_KNIGHT:
        case MOVE_CAPTURE_PROMOTE_BISHOP:
        case MOVE_CAPTURE_PROMOTE_ROOK:
            pos.square_moves[from]--;
            move_back(to, from, side);
            pos.board_piece[from] = PAWN;
            pos.pawn_file_count[side][file_of(from)]++;
            if (type >= MOVE_CAPTURE_PROMOTE_QUEEN) {
                pos.square_moves[to]--;
                restore_victim(to, opp, record);
            }
            break;
        case MOVE_EN_PASSANT: {
            Square victim = side == WHITE ? to - 8 : to + 8;
            pos.square_moves[from]--;
            move_back(to, from, side);
            pos.pawn_file_count[side][file_of(to)]--;
            pos.pawn_file_count[side][file_of(from)]++;
            restore_victim(victim, opp, record);
            break;
        }
        case MOVE_SHORT_CASTLE:
            if (side == WHITE)
                uncastle(side, E1, G1, H1, F1);
            else
                uncastle(side, E8, G8, H8, F8);
            break;
        case MOVE_LONG_CASTLE:
            if (side == WHITE)
                uncastle(side, E1, C1, A1, D1);
            else
                uncastle(side, E8, C8, A8, D8);
            break;
        default:
            break;
    }
    pos.game_ply--;
}

SavedState save_state() {
    return {pos.hash_key_low,
            pos.hash_key_high,
            {pos.material_signature[0], pos.material_signature[1]},
            {pos.pst_sum[0], pos.pst_sum[1]},
            pos.last_irreversible_ply};
}

void restore_state(const SavedState& saved) {
    pos.hash_key_low = saved.hash_key_low;
    pos.hash_key_high = saved.hash_key_high;
    pos.material_signature[0] = saved.material_signature[0];
    pos.material_signature[1] = saved.material_signature[1];
    pos.pst_sum[0] = saved.pst_sum[0];
    pos.pst_sum[1] = saved.pst_sum[1];
    pos.last_irreversible_ply = saved.last_irreversible_ply;
}
