#include "eval/pawns.h"

#include <algorithm>
#include <bit>

#include "board/geometry.h"
#include "board/position.h"
#include "eval/attack_table.h"
#include "eval/eval_state.h"
#include "eval/evaluate.h"
#include "eval/phase.h"
#include "eval/tables.h"
#include "eval/weights.h"

namespace {

inline bool is_occupied(int sq) {
    return pos.board_colour[sq] != EMPTY;
}

// The rank of sq seen from side: 1 is that side's pawn start rank.
inline int relative_rank(int side, int sq) {
    return side == WHITE ? sq >> 3 : 7 - (sq >> 3);
}

// An enemy pawn guarding any square of the path: the pawn is only a candidate.
bool path_is_guarded(int side, int q, const int32_t* enemy) {
    if (side == WHITE) {
        for (int s = q + 8; s < 48; s += 8)
            if (enemy[s] >= ATTACK_PAWN) return true;
    } else {
        for (int s = q - 8; s > 15; s -= 8)
            if (enemy[s] >= ATTACK_PAWN) return true;
    }
    return false;
}

}  // namespace

int passed_pawn_value(int q, int stm) {
    const EvalState& st = eval_state;
    const int b = st.evaluated_side;
    const int o = st.other_side;
    const int32_t* own = st.own_attacks;
    const int32_t* enemy = st.enemy_attacks;
    const int step = b == WHITE ? 8 : -8;
    const int r = relative_rank(b, q);
    const int own_king = king_square(b);
    const int enemy_king = king_square(o);
    const int w = phase_state.phase / 3 + 4;

    if (path_is_guarded(b, q, enemy))
        return candidate_table[r] * w / 8 - king_distance[q][own_king] + king_distance[q][enemy_king];

    const bool enemy_to_move = stm == o;
    const bool attacked = (enemy[q] & 0x4FFF) != 0 && enemy_to_move;
    // The square rule: with the enemy to move the pawn counts one rank back.
    const int r2 = enemy_to_move ? r - 1 : r;
    const bool in_square = relative_rank(b, enemy_king) >= r2 && king_distance[q][enemy_king] < 8 - r2;

    bool blocked = false;
    if (!attacked) {
        if (in_square) {
            eval_state.race_pawn[b][q & 7] = q;
        } else {
            for (int s = q + step; s >= 0 && s < 64; s += step) {
                if (own[s] < enemy[s] || is_occupied(s) || (enemy[q] & ATTACK_ROOK) != 0) {
                    blocked = true;
                    break;
                }
            }
        }
    }
    if (!attacked && !in_square && !blocked) {
        if ((pos.material_signature[o] & SIGNATURE_PIECES_MASK) == 0) return unstoppable_table[r];
        return free_passer_table[r] * w / 8;
    }

    int v = own[q] > ATTACK_PAWN ? 19 : 0;
    if (in_square) {
        v += 4 * king_distance[q][enemy_king];
    } else {
        const int t = q + step;
        v += (w - king_distance[t][own_king] + 8) * king_distance[t][enemy_king];
    }
    return passed_table[r] * w / 8 + v;
}

namespace {

// The squares whose square one step ahead (for side's pawns) is in squares.
inline uint64_t one_step_behind(int side, uint64_t squares) {
    return side == WHITE ? squares >> 8 : squares << 8;
}

// Every square behind a square of squares on its file, as side's pawns
// move; the squares themselves are not included unless they lie behind
// another one.
inline uint64_t file_behind(int side, uint64_t squares) {
    uint64_t x = one_step_behind(side, squares);
    if (side == WHITE) {
        x |= x >> 8;
        x |= x >> 16;
        x |= x >> 32;
    } else {
        x |= x << 8;
        x |= x << 16;
        x |= x << 32;
    }
    return x;
}

inline bool has(uint64_t squares, int sq) {
    return (squares >> sq & 1) != 0;
}

// The terms that only depend on how many pawns stand on each file: isolated
// pawns (worse on a file the enemy rooks can use) and doubled pawns, each
// pawn of the file counting once.
void file_terms(SideTerms& terms) {
    const EvalState& st = eval_state;
    const int32_t* own_files = st.own_pawn_files;
    const int32_t* enemy_files = st.enemy_pawn_files;
    const bool enemy_rooks = (pos.material_signature[st.other_side] & (3 * SIGNATURE_ROOK)) != 0;
    for (int f = 0; f < 8; f++) {
        const int n = own_files[f];
        if (n == 0) continue;
        const bool left_neighbour = f > 0 && own_files[f - 1] != 0;
        const bool right_neighbour = f < 7 && own_files[f + 1] != 0;
        if (!left_neighbour && !right_neighbour) {
            terms.pawn_score += n * isolated_table[f];
            if (enemy_files[f] == 0 && enemy_rooks) terms.pawn_score += n * weights.half_open_weak_pawn;
        }
        if (n > 1) terms.pawn_score += n * weights.doubled_pawn;
    }
}

}  // namespace

void eval_pawns(int stm) {
    EvalState& st = eval_state;
    const int b = st.evaluated_side;
    const uint64_t own_pawns = pawn_squares[b];
    if (own_pawns == 0) return;
    const uint64_t all_pawns = own_pawns | pawn_squares[st.other_side];
    const int phase = phase_state.phase;
    const int32_t* enemy = st.enemy_attacks;
    SideTerms& terms = *st.terms;
    int32_t* fixed = st.fixed_pawns[b];
    const int step = b == WHITE ? 8 : -8;

    // Passed: no pawn anywhere ahead on the file.
    for (uint64_t x = own_pawns & ~file_behind(b, all_pawns); x != 0; x &= x - 1)
        terms.pawn_score += std::min(passed_pawn_value(std::countr_zero(x), stm), 1000);

    // Central pawns, worth more while the pieces are on.
    const int centre = has(own_pawns, D4) + has(own_pawns, E4) + has(own_pawns, D5) + has(own_pawns, E5);
    terms.pawn_centre_score += centre * (10 - phase);
    if (phase < 4) terms.pawn_centre_score += centre * 5;

    file_terms(terms);

    // A blocked d- or e-pawn on its start square shuts in the pieces.
    if (phase < 3) {
        const int d = b == WHITE ? D2 : D7;
        const int e = b == WHITE ? E2 : E7;
        if (has(own_pawns, d) && is_occupied(d + step)) terms.pawn_score += weights.blocked_centre_pawn;
        if (has(own_pawns, e) && is_occupied(e + step)) terms.pawn_score += weights.blocked_centre_pawn;
    }

    // Backward: no own pawn defends it or its stop square, and an enemy pawn
    // controls the stop square.
    const uint64_t own_cover = st.own_pawn_cover;
    const uint64_t backward =
        own_pawns & ~own_cover & ~one_step_behind(b, own_cover) & one_step_behind(b, st.enemy_pawn_cover);
    for (uint64_t x = backward; x != 0; x &= x - 1) {
        const int q = std::countr_zero(x);
        const int ahead = q + step;
        terms.pawn_score += backward_table[std::min(enemy[q] & 0xFF, 16)];
        if (st.enemy_pawn_files[q & 7] == 0) terms.pawn_score += weights.half_open_weak_pawn;
        if (is_occupied(ahead)) terms.pawn_score += weights.blocked_backward_pawn;
        fixed[square_is_dark[q]] += 1;
    }

    // Pawns stopped by a pawn right in front of them.
    for (uint64_t x = own_pawns & one_step_behind(b, all_pawns); x != 0; x &= x - 1)
        fixed[square_is_dark[std::countr_zero(x)]] += 1;
}

void pawn_race_term(int32_t out[2]) {
    out[WHITE] = out[BLACK] = 0;
    if ((pos.material_signature[WHITE] & SIGNATURE_PIECES_MASK) != 0 ||
        (pos.material_signature[BLACK] & SIGNATURE_PIECES_MASK) != 0)
        return;
    // race_pawn[s] holds s's passed pawns inside the enemy king's square; the
    // king cannot stop two of them more than two files apart.
    for (int s = WHITE; s <= BLACK; s++) {
        const int32_t* pawns = eval_state.race_pawn[s];
        bool split = false;
        for (int f1 = 0; f1 < 8 && !split; f1++) {
            if (pawns[f1] == 0) continue;
            for (int f2 = f1 + 3; f2 < 8; f2++) {
                if (pawns[f2] != 0) {
                    split = true;
                    break;
                }
            }
        }
        if (split) out[s ^ 1] -= 150;
    }
}

void wing_majority_term(int32_t out[2]) {
    out[WHITE] = out[BLACK] = 0;
    const int ph = phase_state.phase;
    for (int s = WHITE; s <= BLACK; s++) {
        const int32_t* own = pos.pawn_file_count[s];
        const int32_t* enemy = pos.pawn_file_count[s ^ 1];
        // Queenside: own pawns on files a.. f meeting no enemy pawn on the
        // file or the next, with few enemy pawns behind them on the wing.
        int acc = 0;
        for (int f = 0; f <= 5; f++) {
            if (own[f] == 0) break;
            if (enemy[f] == 0 && enemy[f + 1] == 0) {
                for (int g = 0; g < f; g++) acc += enemy[g];
                if (acc < f + 1) out[s] += 2 * ph;
            }
        }
        // Kingside, from the h-file inwards.
        acc = 0;
        for (int f = 7; f >= 2; f--) {
            if (own[f] == 0) break;
            if (enemy[f] == 0 && enemy[f - 1] == 0) {
                for (int g = f + 1; g <= 7; g++) acc += enemy[g];
                if (acc < 8 - f) out[s] += 2 * ph;
            }
        }
    }
}

void bad_bishop_term(int32_t out[2]) {
    out[WHITE] = out[BLACK] = 0;
    const int ph = phase_state.phase;
    if (ph <= 0) return;
    for (int s = WHITE; s <= BLACK; s++) {
        const int32_t bishops = pos.material_signature[s] & (SIGNATURE_DARK_BISHOP | SIGNATURE_LIGHT_BISHOP);
        const int32_t* fixed = eval_state.fixed_pawns[s];
        if (bishops == SIGNATURE_LIGHT_BISHOP) out[s] += ph * (fixed[1] - fixed[0]);
        if (bishops == SIGNATURE_DARK_BISHOP) out[s] += ph * (fixed[0] - fixed[1]);
    }
}
