// The pseudo-legal move generator. Moves carry their ordering score from the
// start: captures by victim value and cheapest attacker, promotions by the
// new piece, quiet moves by their history score.
#include "board/movegen.h"

#include "board/attack.h"
#include "board/geometry.h"
#include "board/position.h"
#include "board/rays.h"

namespace {
const int32_t no_history[4096] = {};
}  // namespace

const int32_t* quiet_move_scores = no_history;

namespace {

inline void add(MoveEntry*& out, Square from, Square to, int type, int32_t score) {
    out->move = static_cast<int32_t>(make_move_code(from, to, type));
    out->score = score;
    out++;
}

inline void add_quiet(MoveEntry*& out, Square from, Square to, int type) {
    Move m = make_move_code(from, to, type);
    out->move = static_cast<int32_t>(m);
    out->score = quiet_move_scores[m & 0xFFF];
    out++;
}

inline void add_castle(MoveEntry*& out, Move m) {
    out->move = static_cast<int32_t>(m);
    out->score = quiet_move_scores[m & 0xFFF];
    out++;
}

// Ordering scores above every capture's base. A promotion scores by its
// new piece; a capture that promotes counts the new piece and the victim
// together, the queen first.
constexpr int32_t PROMOTE_QUEEN_SCORE = CAPTURE_SCORE_BASE + 10;
constexpr int32_t PROMOTE_KNIGHT_SCORE = CAPTURE_SCORE_BASE + 9;
constexpr int32_t PROMOTE_ROOK_SCORE = CAPTURE_SCORE_BASE + 8;
constexpr int32_t PROMOTE_BISHOP_SCORE = CAPTURE_SCORE_BASE + 7;
constexpr int32_t CAPTURE_PROMOTE_QUEEN_SCORE = CAPTURE_SCORE_BASE + 1500;
constexpr int32_t CAPTURE_PROMOTE_KNIGHT_SCORE = CAPTURE_SCORE_BASE + 660;
constexpr int32_t CAPTURE_PROMOTE_ROOK_SCORE = CAPTURE_SCORE_BASE + 879;
constexpr int32_t CAPTURE_PROMOTE_BISHOP_SCORE = CAPTURE_SCORE_BASE + 672;

// A capture scores the victim's value less the attacker's piece code: the
// cheapest attacker first.
inline int32_t capture_score(int victim, int attacker) {
    return CAPTURE_SCORE_BASE + piece_value[victim] - attacker;
}

inline bool on_last_rank(Square s) {
    return s < 8 || s >= 56;
}

// A capture by the pawn on o onto c, when an enemy piece stands there.
inline void pawn_capture(MoveEntry*& out, Square o, Square c, int opp) {
    if (pos.board_colour[c] != opp) return;
    if (on_last_rank(c)) {
        add(out, o, c, MOVE_CAPTURE_PROMOTE_QUEEN, CAPTURE_PROMOTE_QUEEN_SCORE);
        add(out, o, c, MOVE_CAPTURE_PROMOTE_KNIGHT, CAPTURE_PROMOTE_KNIGHT_SCORE);
        add(out, o, c, MOVE_CAPTURE_PROMOTE_ROOK, CAPTURE_PROMOTE_ROOK_SCORE);
        add(out, o, c, MOVE_CAPTURE_PROMOTE_BISHOP, CAPTURE_PROMOTE_BISHOP_SCORE);
    } else {
        add(out, o, c, MOVE_CAPTURE, capture_score(pos.board_piece[c], PAWN));
    }
}

// A pawn never stands on a back rank, so its step and its capture squares
// towards the middle of the board are always on it.
void pawn_moves(MoveEntry*& out, Square o, int side, int all_moves) {
    JUX_ASSERT(!on_last_rank(o));
    const int forward = side == WHITE ? 8 : -8;
    const Square t = o + forward;
    if (pos.board_colour[t] == EMPTY) {
        if (on_last_rank(t)) {
            add(out, o, t, MOVE_PROMOTE_QUEEN, PROMOTE_QUEEN_SCORE);
            add(out, o, t, MOVE_PROMOTE_KNIGHT, PROMOTE_KNIGHT_SCORE);
            add(out, o, t, MOVE_PROMOTE_ROOK, PROMOTE_ROOK_SCORE);
            add(out, o, t, MOVE_PROMOTE_BISHOP, PROMOTE_BISHOP_SCORE);
        } else if (all_moves) {
            add_quiet(out, o, t, MOVE_QUIET);
            const bool on_start_rank = rank_of(o) == (side == WHITE ? 1 : 6);
            if (on_start_rank && pos.board_colour[t + forward] == EMPTY)
                add_quiet(out, o, t + forward, MOVE_DOUBLE_STEP);
        }
    }
    // The captures in the order the ray tables give them: towards the a-file
    // first for white, towards the h-file first for black.
    const int file = file_of(o);
    const int opp = side ^ 1;
    if (side == WHITE) {
        if (file != 0) pawn_capture(out, o, o + 7, opp);
        if (file != 7) pawn_capture(out, o, o + 9, opp);
    } else {
        if (file != 7) pawn_capture(out, o, o - 7, opp);
        if (file != 0) pawn_capture(out, o, o - 9, opp);
    }
}

void piece_moves(MoveEntry*& out, Square o, int piece, int side, int all_moves) {
    const int opp = side ^ 1;
    const uint8_t* step = next_square[piece][o];
    const uint8_t* jump = next_direction[piece][o];
    Square c = step[o];
    while (c != o) {
        int colour = pos.board_colour[c];
        if (colour == EMPTY) {
            if (all_moves) add_quiet(out, o, c, MOVE_QUIET);
            c = step[c];
        } else {
            if (colour == opp) add(out, o, c, MOVE_CAPTURE, capture_score(pos.board_piece[c], piece));
            c = jump[c];
        }
    }
}

// A slider's captures alone: the first piece of each ray, when it is an
// enemy one, without stepping over the empty squares before it. The rays go
// in the order of the ray tables, which the search's move order inherits:
// the bishop's north-west first, the rook's and queen's east.
void slider_captures(MoveEntry*& out, Square o, int piece, int side, uint64_t occupied) {
    const int opp = side ^ 1;
    auto capture_along = [&](int d) {
        const uint64_t blockers = ray_masks.mask[d][o] & occupied;
        if (blockers == 0) return;
        const int b = nearest_on_ray(d, blockers);
        if (pos.board_colour[b] == opp) add(out, o, b, MOVE_CAPTURE, capture_score(pos.board_piece[b], piece));
    };
    if (piece != BISHOP) {
        capture_along(RAY_E);
        capture_along(RAY_N);
        capture_along(RAY_W);
        capture_along(RAY_S);
        if (piece == ROOK) return;
    }
    capture_along(RAY_NW);
    capture_along(RAY_NE);
    capture_along(RAY_SE);
    capture_along(RAY_SW);
}

void en_passant_moves(MoveEntry*& out, int side, Square ep) {
    // The squares from which a pawn of side captures onto ep are the capture
    // squares of an enemy pawn standing on ep.
    const int kind = side == WHITE ? BLACK_PAWN_KIND : 1;
    Square c = next_direction[kind][ep][ep];
    while (c != ep) {
        if (pos.board_piece[c] == PAWN && pos.board_colour[c] == side)
            add(out, c, ep, MOVE_EN_PASSANT, capture_score(PAWN, PAWN));
        c = next_direction[kind][ep][c];
    }
}

// A rook square that was never left (and never captured on) means the rook is there.
void castling_moves(MoveEntry*& out, int side) {
    const int opp = side ^ 1;
    const int base = side == WHITE ? 0 : 56;
    const Square e = base + 4, f = base + 5, g = base + 6, h = base + 7;
    const Square a = base, b = base + 1, c = base + 2, d = base + 3;
    if (pos.square_moves[e] != 0) return;
    if (pos.board_colour[f] == EMPTY && pos.board_colour[g] == EMPTY && pos.square_moves[h] == 0 &&
        !is_attacked(e, opp) && !is_attacked(f, opp) && !is_attacked(g, opp))
        add_castle(out, SHORT_CASTLE_MOVE);
    if (pos.board_colour[b] == EMPTY && pos.board_colour[c] == EMPTY && pos.board_colour[d] == EMPTY &&
        pos.square_moves[a] == 0 && !is_attacked(e, opp) && !is_attacked(c, opp) && !is_attacked(d, opp))
        add_castle(out, LONG_CASTLE_MOVE);
}

}  // namespace

int generate_moves(MoveEntry* list, int side, int all_moves, int ep_square) {
    MoveEntry* out = list;
    // Only the captures-only lists read the occupancy.
    const uint64_t occupied = all_moves ? 0 : occupied_squares();
    for (int slot = pos.piece_count[side] - 1; slot >= 0; slot--) {
        Square o = pos.piece_list[side][slot];
        if (o == DEAD_SLOT) continue;
        int piece = pos.board_piece[o];
        if (piece == PAWN) {
            pawn_moves(out, o, side, all_moves);
        } else if (!all_moves && piece >= BISHOP && piece <= QUEEN) {
            // With the quiet moves wanted, the walk over the empty squares is the work anyway.
            slider_captures(out, o, piece, side, occupied);
        } else {
            piece_moves(out, o, piece, side, all_moves);
        }
    }
    if (ep_square > 0) en_passant_moves(out, side, ep_square);
    if (all_moves) castling_moves(out, side);
    out->score = LIST_TERMINATOR;
    return static_cast<int>(out - list) + 1;
}
