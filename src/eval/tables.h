// The constant tables of the evaluation. Square tables are in white's
// orientation with a1 first, rank by rank; the other tables are indexed as
// their comment says.
#pragma once

#include <cstdint>

// Piece-square bases, adapted to the root position before each search.
inline constexpr int32_t pawn_table[64] = {
    0,  0,  0,  0,  0,  0,  0,  0,   // rank 1
    4,  4,  0,  0,  0,  4,  4,  4,   // rank 2
    6,  4,  4,  7,  7,  4,  4,  6,   // rank 3
    6,  6,  12, 15, 15, 10, 6,  6,   // rank 4
    8,  10, 14, 20, 20, 14, 10, 8,   // rank 5
    12, 16, 24, 32, 32, 24, 16, 12,  // rank 6
    12, 16, 24, 32, 32, 24, 16, 12,  // rank 7
    0,  0,  0,  0,  0,  0,  0,  0,   // rank 8
};

inline constexpr int32_t knight_table_white[64] = {
    -15, 4,   8,  10, 10, 8,  4,   -15,  // rank 1
    4,   8,   16, 18, 18, 16, 8,   4,    // rank 2
    2,   16,  22, 28, 28, 22, 16,  2,    // rank 3
    8,   20,  28, 32, 32, 28, 20,  8,    // rank 4
    8,   20,  30, 38, 38, 30, 20,  8,    // rank 5
    8,   16,  24, 36, 36, 24, 16,  8,    // rank 6
    -14, 10,  30, 32, 32, 30, 10,  -14,  // rank 7
    -20, -16, 8,  10, 10, 8,  -16, -20,  // rank 8
};

// Black's knight table is its own, not a mirror of white's.
inline constexpr int32_t knight_table_black[64] = {
    -20, -16, 8,  10, 10, 8,  -16, -20,  // rank 1
    -14, 10,  30, 32, 32, 30, 10,  -14,  // rank 2
    2,   16,  24, 36, 36, 24, 16,  2,    // rank 3
    8,   20,  30, 38, 38, 30, 20,  8,    // rank 4
    8,   20,  28, 32, 32, 28, 20,  8,    // rank 5
    8,   16,  22, 28, 28, 22, 16,  8,    // rank 6
    4,   8,   16, 18, 18, 16, 8,   4,    // rank 7
    -15, 4,   8,  10, 10, 8,  4,   -15,  // rank 8
};

inline constexpr int32_t bishop_table[64] = {
    -10, 4,  4,  4,  4,  4,  4,  -10,  // rank 1
    0,   22, 14, 14, 14, 14, 22, 0,    // rank 2
    10,  14, 20, 20, 20, 20, 14, 10,   // rank 3
    10,  14, 20, 24, 24, 20, 14, 10,   // rank 4
    14,  14, 20, 32, 32, 20, 14, 14,   // rank 5
    16,  14, 25, 25, 25, 25, 14, 24,   // rank 6
    -14, 23, 19, 19, 19, 19, 26, -14,  // rank 7
    -10, 14, 14, 14, 14, 14, 14, -10,  // rank 8
};

inline constexpr int32_t rook_table[64] = {
    -15, 0,  0, 0, 0, 0, 0,  -15,  // rank 1
    -6,  0,  0, 0, 0, 0, 0,  -6,   // rank 2
    -6,  -3, 0, 0, 0, 0, -3, -6,   // rank 3
    -6,  -3, 0, 0, 0, 0, -3, -6,   // rank 4
    -6,  -3, 0, 0, 0, 0, -3, -6,   // rank 5
    -6,  -3, 0, 0, 0, 0, -3, -6,   // rank 6
    -6,  1,  3, 5, 5, 3, 1,  -6,   // rank 7
    0,   1,  3, 5, 5, 3, 1,  0,    // rank 8
};

inline constexpr int32_t queen_table[64] = {
    -15, -5, -3, -3, -3, -3, -5, -15,  // rank 1
    -8,  0,  0,  0,  0,  0,  0,  -8,   // rank 2
    -8,  -6, 3,  3,  3,  3,  0,  -8,   // rank 3
    -3,  0,  3,  6,  6,  3,  0,  -3,   // rank 4
    -3,  0,  3,  6,  6,  3,  0,  -3,   // rank 5
    -8,  0,  3,  3,  3,  3,  0,  -8,   // rank 6
    -8,  0,  0,  0,  0,  0,  0,  -8,   // rank 7
    -15, -5, -3, -3, -3, -3, -5, -15,  // rank 8
};

// The king tables serve both sides as they stand (no mirroring).
inline constexpr int32_t king_middle_table[64] = {
    -4,  0,   -4,  -10, -10, -4,  0,   -4,   // rank 1
    -4,  -4,  -8,  -12, -12, -8,  -4,  -4,   // rank 2
    -22, -26, -24, -20, -20, -24, -26, -22,  // rank 3
    -16, -20, -24, -24, -24, -24, -20, -16,  // rank 4
    -16, -20, -24, -24, -24, -24, -20, -16,  // rank 5
    -22, -26, -24, -22, -22, -24, -26, -22,  // rank 6
    -4,  -4,  -8,  -12, -12, -8,  -4,  -4,   // rank 7
    -3,  0,   -4,  -10, -10, -4,  0,   -4,   // rank 8
};

inline constexpr int32_t king_end_table[64] = {
    0,  6,  12, 18, 18, 12, 6,  0,   // rank 1
    6,  12, 18, 24, 24, 18, 12, 6,   // rank 2
    12, 18, 24, 30, 30, 24, 18, 12,  // rank 3
    18, 24, 30, 36, 36, 30, 24, 18,  // rank 4
    18, 24, 30, 36, 36, 30, 24, 18,  // rank 5
    12, 18, 24, 30, 30, 24, 18, 12,  // rank 6
    6,  12, 18, 24, 24, 18, 12, 6,   // rank 7
    0,  6,  12, 18, 18, 12, 6,  0,   // rank 8
};

// Pawn structure. isolated_table by file a..h; backward_table by the number
// of enemy attackers on the pawn (a side can have at most 16 attackers of one
// square); the passed-pawn tables by the pawn's rank seen from its own side
// (1 = start rank, 6 = seventh rank).
inline constexpr int32_t isolated_table[8] = {-8, -10, -12, -14, -14, -12, -10, -8};
inline constexpr int32_t backward_table[17] = {-11, -18, -26, -32, -45, -56, -56, -56, -56,
                                               -56, -56, -56, -56, -56, -56, -56, -56};
inline constexpr int32_t candidate_table[8] = {0, 5, 10, 15, 20, 40, 130, 800};
inline constexpr int32_t passed_table[8] = {0, 20, 30, 40, 60, 100, 130, 800};
inline constexpr int32_t free_passer_table[8] = {0, 50, 60, 80, 120, 200, 400, 800};
inline constexpr int32_t unstoppable_table[8] = {0, 160, 180, 220, 300, 460, 620, 900};

// Piece mobility by the number of empty squares the slider reaches.
inline constexpr int32_t rook_mobility_table[26] = {0,  2,  4,  6,  8,  10, 11, 12, 13, 14, 15, 16, 17,
                                                    18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30};
inline constexpr int32_t bishop_mobility_table[25] = {-6, -3, 0,  2,  4,  7,  10, 12, 13, 14, 15, 17, 18,
                                                      19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30};

// King safety by the number of dangerous squares around the king.
inline constexpr int32_t king_attack_table[36] = {0,   -8,  -20, -36, -52, -68, -80, -80, -80, -80, -80, -80,
                                                  -80, -80, -80, -80, -80, -80, -80, -80, -80, -80, -80, -80,
                                                  -80, -80, -80, -80, -80, -80, -80, -80, -80, -80, -80, -80};

// Pawn-count balance, indexed by own pawns minus enemy pawns plus 8.
inline constexpr int32_t pawn_balance_table[17] = {160, 160, 160, 70,  70,  50,   30,   0,   0,
                                                   0,   -30, -50, -70, -70, -160, -160, -160};
