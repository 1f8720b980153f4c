#include "eval/attack_table.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "board/position.h"
#include "board/rays.h"

const int32_t attack_flag[7] = {0,
                                ATTACK_PAWN,
                                ATTACK_KNIGHT | ATTACK_MINOR,
                                ATTACK_BISHOP | ATTACK_MINOR,
                                ATTACK_ROOK,
                                ATTACK_QUEEN,
                                ATTACK_KING};
int32_t attack_count[2][64];
uint64_t pawn_squares[2];
uint64_t pawn_cover[2];

namespace {

// The squares the pawns (a mask) of side capture onto.
inline uint64_t pawn_capture_squares(int side, uint64_t pawns) {
    constexpr uint64_t NOT_A_FILE = 0xFEFEFEFEFEFEFEFEull;
    constexpr uint64_t NOT_H_FILE = 0x7F7F7F7F7F7F7F7Full;
    if (side == WHITE) return ((pawns & NOT_A_FILE) << 7) | ((pawns & NOT_H_FILE) << 9);
    return ((pawns & NOT_A_FILE) >> 9) | ((pawns & NOT_H_FILE) >> 7);
}

// Sixteen vector stores: for 256 bytes the string instruction the compiler
// picks for a memset costs more in start-up than the stores themselves.
inline void clear_words(int32_t* words) {
#ifdef __SSE2__
    // Written out: as a loop the compiler would turn it back into a memset.
    __m128i* v = reinterpret_cast<__m128i*>(words);
    const __m128i z = _mm_setzero_si128();
    _mm_storeu_si128(v, z), _mm_storeu_si128(v + 1, z), _mm_storeu_si128(v + 2, z), _mm_storeu_si128(v + 3, z);
    _mm_storeu_si128(v + 4, z), _mm_storeu_si128(v + 5, z), _mm_storeu_si128(v + 6, z), _mm_storeu_si128(v + 7, z);
    _mm_storeu_si128(v + 8, z), _mm_storeu_si128(v + 9, z), _mm_storeu_si128(v + 10, z), _mm_storeu_si128(v + 11, z);
    _mm_storeu_si128(v + 12, z), _mm_storeu_si128(v + 13, z), _mm_storeu_si128(v + 14, z), _mm_storeu_si128(v + 15, z);
#else
    std::memset(words, 0, 64 * sizeof(int32_t));
#endif
}

}  // namespace

void build_attack_table(int side, uint64_t occupied) {
    int32_t* words = attack_count[side];
    clear_words(words);
    const int32_t* list = pos.piece_list[side];
    uint64_t pawns = 0;
    const int forward = side == WHITE ? 8 : -8;
    for (int slot = 0; slot < pos.piece_count[side]; slot++) {
        const int s = list[slot];
        if (s == DEAD_SLOT) continue;
        const int piece = pos.board_piece[s];
        const int32_t flag = attack_flag[piece];
        if (piece == PAWN) {
            pawns |= uint64_t{1} << s;
            // The capture squares one rank ahead: a pawn never stands on a
            // back rank, so that rank is on the board.
            JUX_ASSERT(s >= 8 && s < 56);
            const int ahead = s + forward;
            if ((s & 7) != 0) words[ahead - 1] = (words[ahead - 1] + 1) | flag;
            if ((s & 7) != 7) words[ahead + 1] = (words[ahead + 1] + 1) | flag;
        } else {
            // As masks: the words then update independently of each other,
            // where a walk waits at every square for the next one.
            uint64_t seen = piece == KNIGHT   ? leap_masks.knight[s]
                            : piece == BISHOP ? slider_attacks<1, 2>(s, occupied)
                            : piece == ROOK   ? slider_attacks<0, 2>(s, occupied)
                            : piece == QUEEN  ? slider_attacks<0, 1>(s, occupied)
                                              : leap_masks.king[s];
            for (; seen != 0; seen &= seen - 1) {
                const int u = std::countr_zero(seen);
                words[u] = (words[u] + 1) | flag;
            }
        }
    }
    pawn_squares[side] = pawns;
    pawn_cover[side] = pawn_capture_squares(side, pawns);
}
