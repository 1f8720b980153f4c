#include "eval/pieces.h"

#include <bit>

#include "board/geometry.h"
#include "board/position.h"
#include "board/rays.h"
#include "eval/eval_state.h"
#include "eval/evaluate.h"
#include "eval/phase.h"
#include "eval/tables.h"
#include "eval/weights.h"

namespace {

constexpr int32_t TRAPPED_BISHOP = -130;
constexpr int32_t BLOCKED_B_FIANCHETTO = -4;
constexpr int32_t BLOCKED_G_FIANCHETTO = -7;
constexpr int32_t ROOK_ON_SEVENTH = 13;
constexpr int32_t QUEEN_NEAR_KING = 12;

inline bool is_empty(int sq) {
    return pos.board_colour[sq] == EMPTY;
}
inline bool holds_pawn(int sq) {
    return pos.board_piece[sq] == PAWN;
}
inline bool holds(int sq, int colour, int piece) {
    return pos.board_colour[sq] == colour && pos.board_piece[sq] == piece;
}

// Attacked pieces: one that is hanging (undefended, or attacked by something
// cheaper) counts as a threat, worse when it has nowhere to go; one that is
// attacked and defended costs a little.
void threat_test(int sq, int32_t hanging_above, int32_t defended_from) {
    EvalState& st = eval_state;
    const int32_t e = st.enemy_attacks[sq] & 0x4FFF;
    if (e == 0) return;
    const int32_t m = st.own_attacks[sq] & 0x4FFF;
    if (m == 0 || e > hanging_above) {
        st.terms->safety_score += weights.hanging_penalty;
        st.threat_count[st.evaluated_side] += 1;
        if (has_no_safe_square(sq)) st.threat_count[st.evaluated_side] += 2;
    } else if (e >= defended_from || m < ATTACK_PAWN) {
        st.terms->safety_score += weights.defended_attacked_penalty;
    }
}

// outpost_span[side][sq]: sq and the squares ahead of it on its file up to
// the sixth rank (for black down to h2) that an outpost needs free of enemy
// pawn attacks.
struct OutpostSpan {
    uint64_t bits[2][64];
    constexpr OutpostSpan() : bits{} {
        for (int q = 0; q < 64; q++) {
            for (int s = q; s < 48; s += 8) bits[WHITE][q] |= uint64_t{1} << s;
            for (int s = q; s >= 15; s -= 8) bits[BLACK][q] |= uint64_t{1} << s;
        }
    }
};
constexpr OutpostSpan outpost_span;

// No enemy pawn attacks the square, nor can any enemy pawn on a neighbouring
// file ever come to attack it.
bool is_outpost(int sq) {
    return (outpost_span.bits[eval_state.evaluated_side][sq] & eval_state.enemy_pawn_cover) == 0;
}

// A bishop on a7 (h7) shut in by a pawn on b6 (g6), or behind a b7 (g7) pawn
// with b6 (g6) covered by the enemy.
void trapped_bishop(int b6, int b7) {
    EvalState& st = eval_state;
    if (st.enemy_attacks[b6] != 0 && (holds_pawn(b6) || (is_empty(b6) && holds_pawn(b7))))
        st.terms->safety_score += TRAPPED_BISHOP;
}

// A fianchettoed bishop staring at its own pawn that is blocked by a pawn.
void blocked_fianchetto(int own_pawn, int blocker, int32_t penalty) {
    EvalState& st = eval_state;
    if (holds(own_pawn, st.evaluated_side, PAWN) && holds_pawn(blocker)) st.terms->mobility_score += penalty;
}

// The king-attack pressure of u, a square from which a piece of a kind in
// bits would attack the king: when an enemy piece of such a kind can go
// there (the enemy does not stand on it), it is dangerous, unless we defend
// it against a single attacker, which costs only a little.
[[gnu::always_inline]] inline void count_danger(int u, int32_t bits, int& dangerous, int& k) {
    const EvalState& st = eval_state;
    // The attack test first: it fails on most squares.
    if ((st.enemy_attacks[u] & bits) != 0 && pos.board_colour[u] != st.other_side) {
        if (st.own_attacks[u] == 0 || (st.enemy_attacks[u] & 0xFF) > 1)
            dangerous += 1;
        else
            k -= 3;
    }
}

// count_danger over the squares a slider on the king's square sq would see.
template <int first_ray, int step>
[[gnu::always_inline]] inline void slider_danger(int sq, int32_t bits, int& dangerous, int& k) {
    for (uint64_t seen = slider_attacks<first_ray, step>(sq, eval_state.occupied); seen != 0; seen &= seen - 1)
        count_danger(std::countr_zero(seen), bits, dangerous, k);
}

// A second piece behind first, the first piece on a ray of the slider on sq:
// through an enemy piece onto a more valuable or undefended enemy piece a
// pin or skewer, past an own piece a discovered attack.
int pin_or_discovery(int sq, int first, int second) {
    EvalState& st = eval_state;
    const int o = st.other_side;
    if (pos.board_colour[second] != o ||
        (pos.board_piece[second] <= pos.board_piece[sq] && st.enemy_attacks[second] != 0))
        return 0;
    if (pos.board_colour[first] != o) return weights.discovery_bonus;
    if (st.enemy_attacks[first] == 0 || st.own_attacks[first] > attack_flag[pos.board_piece[first]] + 1)
        st.threat_count[o] += 1;
    return weights.pin_bonus;
}

// The rays of a slider on sq, every step-th from first: up to the first
// piece on each, and on beyond it up to a second one unless the first is a
// pawn or a king (nothing to pin or discover behind those). Rays in
// different directions share no square, so the squares seen add up as one
// mask: the empty ones are the mobility, the enemy king's zone squares
// among them (pieces too) the pressure on it.
template <int first_ray, int step>
int scan_rays(int sq, int& mobility) {
    EvalState& st = eval_state;
    const uint64_t occupied = st.occupied;
    uint64_t seen = 0;
    int total = 0;
#pragma GCC unroll 8
    for (int d = first_ray; d < 8; d += step) {
        const uint64_t near = ray_up_to_blocker(d, sq, occupied);
        seen |= near;
        if ((near & occupied) == 0) continue;
        const int first = nearest_on_ray(d, near & occupied);
        if (pos.board_piece[first] == PAWN || pos.board_piece[first] == KING) continue;
        const uint64_t beyond = ray_up_to_blocker(d, first, occupied);
        seen |= beyond;
        if ((beyond & occupied) != 0) total += pin_or_discovery(sq, first, nearest_on_ray(d, beyond & occupied));
    }
    mobility = std::popcount(seen & ~occupied);
    const int32_t* zone = phase_state.king_zone_value[st.evaluated_side];
    for (uint64_t z = seen & phase_state.king_zone_squares[st.evaluated_side]; z != 0; z &= z - 1)
        total += zone[std::countr_zero(z)];
    return total;
}

}  // namespace

int slider_scan(int sq, int& mobility) {
    const int t = pos.board_piece[sq];
    if (t == BISHOP) return scan_rays<1, 2>(sq, mobility);
    if (t == ROOK) return scan_rays<0, 2>(sq, mobility);
    return scan_rays<0, 1>(sq, mobility);
}

bool has_no_safe_square(int sq) {
    const EvalState& st = eval_state;
    const int b = st.evaluated_side;
    const int o = st.other_side;
    const int t = pos.board_piece[sq];
    const uint8_t* along = next_square[t][sq];
    const uint8_t* next_ray = next_direction[t][sq];
    int u = along[sq];
    while (u != sq) {
        const int colour = pos.board_colour[u];
        if (colour != b && (st.enemy_attacks[u] == 0 || (colour == o && pos.board_piece[u] >= t)))
            return false;
        u = colour == EMPTY ? along[u] : next_ray[u];
    }
    return true;
}

int king_attack(int sq) {
    const EvalState& st = eval_state;
    const int o = st.other_side;
    const int32_t* own = st.own_attacks;
    const int32_t* enemy = st.enemy_attacks;
    const int32_t enemy_signature = pos.material_signature[o];
    const bool enemy_queen = (enemy_signature & (3 * SIGNATURE_QUEEN)) != 0;
    const int w = phase_state.king_attack_weight;
    int dangerous = 0;
    int k = 0;

    if ((enemy_signature & (SIGNATURE_DARK_BISHOP | SIGNATURE_LIGHT_BISHOP)) != 0 || enemy_queen)
        slider_danger<1, 2>(sq, ATTACK_BISHOP | ATTACK_QUEEN, dangerous, k);
    if ((enemy_signature & (3 * SIGNATURE_ROOK)) != 0 || enemy_queen)
        slider_danger<0, 2>(sq, ATTACK_ROOK | ATTACK_QUEEN, dangerous, k);
    if ((enemy_signature & (3 * SIGNATURE_KNIGHT)) != 0)
        for (uint64_t leaps = leap_masks.knight[sq]; leaps != 0; leaps &= leaps - 1)
            count_danger(std::countr_zero(leaps), ATTACK_KNIGHT, dangerous, k);
    k += king_attack_table[dangerous] * w / 16;

    // The squares next to the king: pawn cover, and squares the enemy
    // controls, worst where its queen is backed up.
    bool pawn_near = false;
    int controlled = 0;
    for (uint64_t ring = leap_masks.king[sq]; ring != 0; ring &= ring - 1) {
        const int u = std::countr_zero(ring);
        if (holds_pawn(u)) pawn_near = true;
        if (enemy[u] > own[u]) {
            controlled++;
            if ((enemy[u] & ATTACK_QUEEN) != 0 && enemy[u] > ATTACK_QUEEN + 1 && own[u] < ATTACK_QUEEN)
                k -= 4 * w;
        }
    }
    if (!pawn_near) k -= w;
    if (controlled > 1) {
        k -= w;
        if (enemy_queen) k -= w * controlled;
    }
    return k;
}

int rooks_on_file() {
    const int a = eval_state.rook_square[0];
    const int b = eval_state.rook_square[1];
    if ((a & 7) != (b & 7)) return 0;
    const int low = a < b ? a : b;
    const int high = a < b ? b : a;
    for (int s = low + 8; s < high; s += 8)
        if (!is_empty(s)) return 0;
    return phase_state.opening_weight;
}

void eval_knight(int sq, int) {
    EvalState& st = eval_state;
    const int ow = phase_state.opening_weight;
    if (ow != 0 && is_outpost(sq)) {
        st.terms->activity_score += ow;
        if (st.own_attacks[sq] > ATTACK_PAWN) {
            st.terms->activity_score += ow;
            // Both pawns behind it: no exchange can undermine the knight.
            const int side = pos.board_colour[sq];
            const int f = sq & 7;
            if (f != 0 && f != 7) {
                const int left = side == WHITE ? sq - 9 : sq + 7;
                const int right = side == WHITE ? sq - 7 : sq + 9;
                if (holds(left, side, PAWN) && holds(right, side, PAWN)) st.terms->activity_score += 2 * ow;
            }
        }
    }
    threat_test(sq, ATTACK_MINOR + 1, ATTACK_MINOR);
}

void eval_bishop(int sq, int) {
    EvalState& st = eval_state;
    int n;
    st.terms->activity_score += slider_scan(sq, n);
    st.terms->mobility_score += bishop_mobility_table[n];

    if (is_outpost(sq)) {
        st.terms->activity_score += phase_state.bishop_outpost_weight;
        if (st.own_attacks[sq] > ATTACK_PAWN) st.terms->activity_score += phase_state.bishop_outpost_weight;
    }

    threat_test(sq, ATTACK_MINOR + 1, ATTACK_MINOR);

    if (st.evaluated_side == WHITE) {
        if (sq == A7) trapped_bishop(B6, B7);
        if (sq == H7) trapped_bishop(G6, G7);
        if (sq == B2) blocked_fianchetto(D4, D5, BLOCKED_B_FIANCHETTO);
        if (sq == G2) blocked_fianchetto(E4, E5, BLOCKED_G_FIANCHETTO);
    } else {
        if (sq == A2) trapped_bishop(B3, B2);
        if (sq == H2) trapped_bishop(G3, G2);
        if (sq == B7) blocked_fianchetto(D5, D4, BLOCKED_B_FIANCHETTO);
        if (sq == G7) blocked_fianchetto(E5, E4, BLOCKED_G_FIANCHETTO);
    }
}

void eval_rook(int sq, int) {
    EvalState& st = eval_state;
    const int b = st.evaluated_side;
    const int o = st.other_side;
    const int phase = phase_state.phase;
    const int f = sq & 7;
    const int enemy_king = king_square(o);
    SideTerms& terms = *st.terms;

    if (st.rook_square[0] == NO_ROOK)
        st.rook_square[0] = sq;
    else
        st.rook_square[1] = sq;

    // Rooks grow stronger as the board empties.
    terms.activity_score += 4 * phase;

    int n;
    terms.activity_score += slider_scan(sq, n);
    terms.mobility_score += rook_mobility_table[n];

    if (st.own_pawn_files[f] == 0) {
        terms.safety_score += weights.rook_half_open_file;
        if (st.enemy_pawn_files[f] == 0) terms.safety_score += weights.rook_open_file;
    }

    // On the seventh rank with pawns to eat, and more so when it cuts off the king.
    const int seventh = b == WHITE ? 6 : 1;
    if ((pos.material_signature[o] & 15) >= 2 && (sq >> 3) == seventh) {
        terms.safety_score += phase;
        const int back_rank = b == WHITE ? 7 : 0;
        if ((enemy_king >> 3) == back_rank) terms.safety_score += ROOK_ON_SEVENTH + phase;
    }

    terms.tropism_score += 14 - square_distance[sq][enemy_king];

    threat_test(sq, ATTACK_ROOK + 1, ATTACK_ROOK);
}

void eval_queen(int sq, int) {
    EvalState& st = eval_state;
    const int enemy_king = king_square(st.other_side);
    if (king_distance[sq][enemy_king] <= 2) st.terms->tropism_score += QUEEN_NEAR_KING;
    if (phase_state.phase > 2) st.terms->tropism_score += 14 - square_distance[sq][enemy_king];
    threat_test(sq, ATTACK_QUEEN + 1, ATTACK_QUEEN);
}

void eval_king(int sq, int) {
    EvalState& st = eval_state;
    const int b = st.evaluated_side;
    const int o = st.other_side;
    const PhaseState& ph = phase_state;
    SideTerms& terms = *st.terms;
    const bool enemy_queen = (pos.material_signature[o] & (3 * SIGNATURE_QUEEN)) != 0;
    const int open_own = ph.king_file_open_own;
    const int open_enemy = ph.king_file_open_enemy;
    const int open_own_beside = enemy_queen ? 2 * open_own : open_own;
    const int open_enemy_beside = enemy_queen ? 2 * open_enemy : open_enemy;

    if (ph.king_attack_weight > 0) {
        int k = king_attack(sq);
        if (!enemy_queen) k /= 2;
        terms.king_score += k;
        if (pos.castle_off[b])
            terms.king_score += ph.opening_weight;
        else if (pos.square_moves[b == WHITE ? E1 : E8] != 0)
            terms.activity_score += ph.lost_castling_penalty;
    }

    // Files without pawns on and beside the king are lines for the attack.
    const int f = sq & 7;
    if (st.own_pawn_files[f] == 0) terms.king_score += open_own;
    if (st.enemy_pawn_files[f] == 0) terms.king_score += open_enemy;
    // The files looked at beside the king, by the king's file (-1 none).
    static constexpr int8_t beside[8][2] = {{1, -1}, {0, -1}, {0, 1},  {2, -1},
                                            {5, -1}, {7, 6},  {7, -1}, {6, -1}};
    for (int i = 0; i < 2; i++) {
        const int g = beside[f][i];
        if (g < 0) break;
        if (st.own_pawn_files[g] == 0) terms.king_score += open_own_beside;
        if (st.enemy_pawn_files[g] == 0) terms.king_score += open_enemy_beside;
    }

    const int32_t e = st.enemy_attacks[sq] & 0x4FFF;
    if (e != 0) {
        if ((st.own_attacks[sq] & 0x4FFF) != 0 && e <= ATTACK_KING + 1) {
            terms.safety_score += weights.defended_attacked_penalty;
        } else {
            terms.safety_score += weights.hanging_penalty;
            st.threat_count[b] += 1;
        }
    }
}
