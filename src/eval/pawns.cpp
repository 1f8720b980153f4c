#include "eval/pawns.h"

#include <algorithm>

#include "board/geometry.h"
#include "board/position.h"
#include "eval/attack_table.h"
#include "eval/eval_state.h"
#include "eval/evaluate.h"
#include "eval/phase.h"
#include "eval/tables.h"
#include "eval/weights.h"

namespace {

inline bool is_centre(int sq) {
    return sq == D4 || sq == E4 || sq == D5 || sq == E5;
}
inline bool holds_pawn(int sq) {
    return pos.board_piece[sq] == PAWN;
}
inline bool is_occupied(int sq) {
    return pos.board_colour[sq] != EMPTY;
}

// file_ahead[side][sq]: the squares in front of sq on its file, short of the
// last rank, where no pawn ever stands. A pawn with no pawn there is passed.
struct FileAhead {
    uint64_t bits[2][64];
    constexpr FileAhead() : bits{} {
        for (int q = 0; q < 64; q++) {
            for (int s = q + 8; s < 56; s += 8) bits[WHITE][q] |= uint64_t{1} << s;
            for (int s = q - 8; s > 7; s -= 8) bits[BLACK][q] |= uint64_t{1} << s;
        }
    }
    constexpr const uint64_t* operator[](int side) const { return bits[side]; }
};
constexpr FileAhead file_ahead;

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

void eval_pawn(int q, int stm) {
    EvalState& st = eval_state;
    const int b = st.evaluated_side;
    const int o = st.other_side;
    const int step = b == WHITE ? 8 : -8;
    const int ahead = q + step;
    // A pawn cannot stand on its promotion rank; nothing lies ahead of it.
    if (ahead < 0 || ahead > 63) return;
    const int f = q & 7;
    const int phase = phase_state.phase;
    const int32_t* own = st.own_attacks;
    const int32_t* enemy = st.enemy_attacks;
    const int32_t* own_files = st.own_pawn_files;
    const int32_t* enemy_files = st.enemy_pawn_files;
    SideTerms& terms = *st.terms;

    const bool passed = (file_ahead[b][q] & (pawn_squares[WHITE] | pawn_squares[BLACK])) == 0;
    if (passed) terms.pawn_score += std::min(passed_pawn_value(q, stm), 1000);

    const bool centre = is_centre(q);
    if (centre) terms.pawn_centre_score += 10 - phase;

    const bool left_neighbour = f > 0 && own_files[f - 1] != 0;
    const bool right_neighbour = f < 7 && own_files[f + 1] != 0;
    if (!left_neighbour && !right_neighbour) {
        terms.pawn_score += isolated_table[f];
        // An isolated pawn on a file the enemy rooks can use.
        if (enemy_files[f] == 0 && (pos.material_signature[o] & (3 * SIGNATURE_ROOK)) != 0)
            terms.pawn_score += weights.half_open_weak_pawn;
    }

    if (own_files[f] > 1) terms.pawn_score += weights.doubled_pawn;

    // A blocked d- or e-pawn on its start square shuts in the pieces.
    if (phase < 3 && (b == WHITE ? (q == D2 || q == E2) : (q == D7 || q == E7)) && is_occupied(ahead))
        terms.pawn_score += weights.blocked_centre_pawn;

    // Backward: no own pawn defends it or its stop square, and an enemy pawn
    // controls the stop square.
    if ((own[q] & 0x4FFF) < ATTACK_PAWN && own[ahead] < ATTACK_PAWN && (enemy[ahead] & ATTACK_PAWN) != 0) {
        terms.pawn_score += backward_table[std::min(enemy[q] & 0xFF, 16)];
        if (enemy_files[f] == 0) terms.pawn_score += weights.half_open_weak_pawn;
        if (is_occupied(ahead)) terms.pawn_score += weights.blocked_backward_pawn;
        st.fixed_pawns[b][square_is_dark[q]] += 1;
    }

    if (holds_pawn(ahead)) st.fixed_pawns[b][square_is_dark[q]] += 1;

    if (phase < 4 && centre) terms.pawn_centre_score += 5;
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
