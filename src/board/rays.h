// The rays from each square as bit masks, for the code that wants every
// square a slider sees at once rather than one after the other.
#pragma once

#include <bit>
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "board/position.h"

// Directions: north, north-east, east, north-west count up the square
// numbers (0-3), south, south-west, west, south-east count down (4-7). The
// straight ones are the even ones, the diagonals the odd ones.
enum RayDirection { RAY_N, RAY_NE, RAY_E, RAY_NW, RAY_S, RAY_SW, RAY_W, RAY_SE };

struct RayMasks {
    uint64_t mask[8][64];  // the squares from a square outwards, the square itself left out
};

constexpr RayMasks make_ray_masks() {
    constexpr int file_step[8] = {0, 1, 1, -1, 0, -1, -1, 1};
    constexpr int rank_step[8] = {1, 1, 0, 1, -1, -1, 0, -1};
    RayMasks r{};
    for (int d = 0; d < 8; d++)
        for (int s = 0; s < 64; s++)
            for (int f = (s & 7) + file_step[d], k = (s >> 3) + rank_step[d]; f >= 0 && f < 8 && k >= 0 && k < 8;
                 f += file_step[d], k += rank_step[d])
                r.mask[d][s] |= uint64_t{1} << (8 * k + f);
    return r;
}
inline constexpr RayMasks ray_masks = make_ray_masks();

// The squares a knight (leap_masks.knight) or a king (leap_masks.king) on a
// square reaches in one move.
struct LeapMasks {
    uint64_t knight[64];
    uint64_t king[64];
};

constexpr LeapMasks make_leap_masks() {
    constexpr int knight_file[8] = {1, 2, 2, 1, -1, -2, -2, -1};
    constexpr int knight_rank[8] = {2, 1, -1, -2, -2, -1, 1, 2};
    LeapMasks m{};
    for (int s = 0; s < 64; s++) {
        const int f = s & 7, k = s >> 3;
        for (int i = 0; i < 8; i++) {
            const int nf = f + knight_file[i], nk = k + knight_rank[i];
            if (nf >= 0 && nf < 8 && nk >= 0 && nk < 8) m.knight[s] |= uint64_t{1} << (8 * nk + nf);
        }
        for (int df = -1; df <= 1; df++)
            for (int dk = -1; dk <= 1; dk++) {
                const int nf = f + df, nk = k + dk;
                if ((df != 0 || dk != 0) && nf >= 0 && nf < 8 && nk >= 0 && nk < 8)
                    m.king[s] |= uint64_t{1} << (8 * nk + nf);
            }
    }
    return m;
}
inline constexpr LeapMasks leap_masks = make_leap_masks();

// The nearest of the squares set in along, a part of a ray in direction d.
inline int nearest_on_ray(int d, uint64_t along) {
    return d < 4 ? std::countr_zero(along) : 63 - std::countl_zero(along);
}

// The squares from s in direction d up to and including the first piece.
inline uint64_t ray_up_to_blocker(int d, int s, uint64_t occupied) {
    const uint64_t ray = ray_masks.mask[d][s];
    const uint64_t blockers = ray & occupied;
    return blockers == 0 ? ray : ray ^ ray_masks.mask[d][nearest_on_ray(d, blockers)];
}

// The squares a slider on s sees along every step-th direction from first,
// up to and including the first piece on each: bishops <1, 2>, rooks <0, 2>,
// queens <0, 1>. Unrolled, so that the rays do not wait for each other.
template <int first, int step>
inline uint64_t slider_attacks(int s, uint64_t occupied) {
    uint64_t seen = 0;
#pragma GCC unroll 8
    for (int d = first; d < 8; d += step) seen |= ray_up_to_blocker(d, s, occupied);
    return seen;
}

// One bit per occupied square, read off the colour board.
inline uint64_t occupied_squares() {
#ifdef __SSE2__
    // Sixteen squares at a time: compare with EMPTY, narrow to bytes, one bit each.
    const __m128i* v = reinterpret_cast<const __m128i*>(pos.board_colour);
    const __m128i empty = _mm_set1_epi32(EMPTY);
    uint64_t free = 0;
    for (int i = 0; i < 4; i++) {
        const __m128i a = _mm_packs_epi32(_mm_cmpeq_epi32(_mm_loadu_si128(v + 4 * i), empty),
                                          _mm_cmpeq_epi32(_mm_loadu_si128(v + 4 * i + 1), empty));
        const __m128i b = _mm_packs_epi32(_mm_cmpeq_epi32(_mm_loadu_si128(v + 4 * i + 2), empty),
                                          _mm_cmpeq_epi32(_mm_loadu_si128(v + 4 * i + 3), empty));
        free |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_packs_epi16(a, b)))) << (16 * i);
    }
    return ~free;
#else
    uint64_t occupied = 0;
    for (int s = 0; s < 64; s++) occupied |= uint64_t{pos.board_colour[s] != EMPTY} << s;
    return occupied;
#endif
}
