// Basic chess vocabulary shared by every part of the engine: squares, sides,
// piece codes, the 32-bit move code and the score constants.
#pragma once

#include <cstdint>

#ifdef JUX_CHECKS
#include <cstdio>
#include <cstdlib>
#define JUX_ASSERT(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)
#else
#define JUX_ASSERT(cond) ((void)0)
#endif

// Squares: a1 = 0, h1 = 7, a8 = 56, h8 = 63.
using Square = int;
inline constexpr int file_of(Square s) {
    return s & 7;
}
inline constexpr int rank_of(Square s) {
    return s >> 3;
}

enum SquareName : int {
    A1,
    B1,
    C1,
    D1,
    E1,
    F1,
    G1,
    H1,
    A2,
    B2,
    C2,
    D2,
    E2,
    F2,
    G2,
    H2,
    A3,
    B3,
    C3,
    D3,
    E3,
    F3,
    G3,
    H3,
    A4,
    B4,
    C4,
    D4,
    E4,
    F4,
    G4,
    H4,
    A5,
    B5,
    C5,
    D5,
    E5,
    F5,
    G5,
    H5,
    A6,
    B6,
    C6,
    D6,
    E6,
    F6,
    G6,
    H6,
    A7,
    B7,
    C7,
    D7,
    E7,
    F7,
    G7,
    H7,
    A8,
    B8,
    C8,
    D8,
    E8,
    F8,
    G8,
    H8
};

// Sides and board colours. EMPTY only appears in board_colour.
inline constexpr int WHITE = 0;
inline constexpr int BLACK = 1;
inline constexpr int EMPTY = 2;

// Piece codes (colourless). The ray tables use a "kind" instead, which is the
// piece code except for the black pawn.
inline constexpr int NO_PIECE = 0;
inline constexpr int PAWN = 1;
inline constexpr int KNIGHT = 2;
inline constexpr int BISHOP = 3;
inline constexpr int ROOK = 4;
inline constexpr int QUEEN = 5;
inline constexpr int KING = 6;
inline constexpr int BLACK_PAWN_KIND = 7;

// A captured piece leaves this value in its piece_list slot.
inline constexpr int DEAD_SLOT = -99;

// Moves: bits 0-5 destination, 6-11 origin, 16 and up the type.
using Move = uint32_t;

inline constexpr int MOVE_QUIET = 0;
inline constexpr int MOVE_SHORT_CASTLE = 1;
inline constexpr int MOVE_LONG_CASTLE = 2;
inline constexpr int MOVE_DOUBLE_STEP = 3;
inline constexpr int MOVE_PROMOTE_QUEEN = 4;  // 4..7: queen, knight, bishop, rook
inline constexpr int MOVE_PROMOTE_KNIGHT = 5;
inline constexpr int MOVE_PROMOTE_BISHOP = 6;
inline constexpr int MOVE_PROMOTE_ROOK = 7;
inline constexpr int MOVE_CAPTURE_PROMOTE_QUEEN = 8;  // 8..11: the same with a capture
inline constexpr int MOVE_CAPTURE_PROMOTE_KNIGHT = 9;
inline constexpr int MOVE_CAPTURE_PROMOTE_BISHOP = 10;
inline constexpr int MOVE_CAPTURE_PROMOTE_ROOK = 11;
inline constexpr int MOVE_EN_PASSANT = 12;
inline constexpr int MOVE_CAPTURE = 13;
inline constexpr int MOVE_NULL = 14;  // 14 and up: the search's null move

// Castling codes name no squares; their low bits index the history table.
inline constexpr Move SHORT_CASTLE_MOVE = 0x10019;
inline constexpr Move LONG_CASTLE_MOVE = 0x20017;
inline constexpr Move NULL_MOVE = 0xE0000;

inline constexpr Move make_move_code(Square from, Square to, int type) {
    return static_cast<Move>(to) | (static_cast<Move>(from) << 6) | (static_cast<Move>(type) << 16);
}
inline constexpr Square move_to(Move m) {
    return static_cast<Square>(m & 63);
}
inline constexpr Square move_from(Move m) {
    return static_cast<Square>((m >> 6) & 63);
}
inline constexpr int move_type(Move m) {
    return static_cast<int>(m >> 16);
}
// Quiet moves for history and killers: plain moves, castling and double steps.
inline constexpr bool move_is_quiet(Move m) {
    return move_type(m) <= MOVE_DOUBLE_STEP;
}

// A move with its ordering score. Lists end with a terminator entry.
struct MoveEntry {
    int32_t move;
    int32_t score;
};
inline constexpr int32_t LIST_TERMINATOR = -100000000;
// Every capture and promotion scores above this bound.
inline constexpr int32_t CAPTURE_SCORE_BASE = 30000000;

// Scores, in units where a pawn is 90, from the side to move's view.
inline constexpr int MATE_SCORE = 30000;
inline constexpr int MATE_BOUND = 29000;  // magnitudes from here on print as mate
inline constexpr int ILLEGAL_SCORE = -32011;
inline constexpr int ABORT_SCORE = -32014;
inline constexpr int NO_TABLEBASE_RESULT = 30000;
inline constexpr int NO_DEPTH = -9900;

// Per-ply arrays of the search hold this many entries; the root is ply 1.
inline constexpr int MAX_PLY = 150;

// Room for one generated move list, terminator included. A legal FEN can give
// a side fifteen queens: at most 15 x 27 + 8 king moves + 2 castlings.
inline constexpr int MAX_MOVES = 512;
static_assert(MAX_MOVES >= 15 * 27 + 8 + 2 + 1, "a move list must hold every move and its terminator");
