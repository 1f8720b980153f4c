#include "eval/root_pst.h"

#include <bit>
#include <cstring>

#include "board/geometry.h"
#include "board/position.h"
#include "board/rays.h"
#include "eval/attack_table.h"
#include "eval/phase.h"
#include "eval/tables.h"
#include "eval/weights.h"

RootTables root_tables;

namespace {

// The root phase by the piece material of both sides: 0 above the full
// amount, 10 below the bare one, one step per ROOT_PHASE_STEP between.
constexpr int32_t ROOT_PHASE_FULL_MATERIAL = 4000;
constexpr int32_t ROOT_PHASE_BARE_MATERIAL = 1400;
constexpr int32_t ROOT_PHASE_STEP = 260;

inline bool holds_pawn(int sq) {
    return pos.board_piece[sq] == PAWN;
}

// Shelter of a castled king: the pawn on the rook's file and the one on the
// bishop's file each matter once, the knight's file (on the second or third
// rank) twice.
int32_t shelter_penalty(int phase, int rook_file_pawn, int knight_file_pawn, int knight_file_pawn_pushed,
                        int bishop_file_pawn) {
    int32_t penalty = 0;
    if (!holds_pawn(rook_file_pawn)) penalty += phase - 10;
    if (!holds_pawn(knight_file_pawn) && !holds_pawn(knight_file_pawn_pushed)) penalty += 2 * phase - 20;
    if (!holds_pawn(bishop_file_pawn)) penalty += phase - 10;
    return penalty;
}

bool has_neighbour_pawn(int side, int f) {
    return (f > 0 && pos.pawn_file_count[side][f - 1] != 0) ||
           (f < 7 && pos.pawn_file_count[side][f + 1] != 0);
}

// Where a pawn stops counting for the king: the first square ahead that is
// blocked or guarded by an enemy pawn (weight 1), or, for a passed pawn, the
// square two steps ahead (one from the seventh rank), where the kings must
// meet it (weight 5).
struct PawnTarget {
    int square;
    int weight;
};

PawnTarget pawn_target(int side, int q) {
    const int32_t* enemy = attack_count[side ^ 1];
    const int step = side == WHITE ? 8 : -8;
    for (int s = q + step; s >= 0 && s < 64; s += step)
        if (enemy[s] > ATTACK_PAWN || holds_pawn(s)) return {q, 1};
    const int seventh = side == WHITE ? 6 : 1;
    int t = (q >> 3) == seventh ? q + step : q + 2 * step;
    // A pawn on its promotion rank cannot stand there; it is its own target.
    if (t < 0 || t > 63) t = q;
    return {t, 5};
}

// The phase of the position and its root scale (by the piece material of
// both sides), and whether the kings stand on opposite wings.
void set_root_phase() {
    PhaseState& ph = phase_state;
    build_attack_table(WHITE);
    build_attack_table(BLACK);
    update_phase();
    const int32_t c = piece_material_both();
    if (c > ROOT_PHASE_FULL_MATERIAL)
        ph.root_phase = 0;
    else if (c < ROOT_PHASE_BARE_MATERIAL)
        ph.root_phase = 10;
    else
        ph.root_phase = (ROOT_PHASE_FULL_MATERIAL - c) / ROOT_PHASE_STEP;
    const int white_king_file = pos.piece_list[WHITE][0] & 7;
    const int black_king_file = pos.piece_list[BLACK][0] & 7;
    ph.opposite_castling = ph.phase < 5 && ((white_king_file < 3 && black_king_file > 4) ||
                                            (white_king_file > 4 && black_king_file < 3));
}

// The constant tables, black's mirrored; the king's blends its middle-game
// and endgame tables by the phase.
void copy_base_tables(int phase) {
    RootTables& rt = root_tables;
    std::memcpy(rt.knight_pst[WHITE], knight_table_white, sizeof(rt.knight_pst[WHITE]));
    std::memcpy(rt.knight_pst[BLACK], knight_table_black, sizeof(rt.knight_pst[BLACK]));
    for (int j = 0; j < 64; j++) {
        rt.bishop_pst[WHITE][j] = bishop_table[j];
        rt.rook_pst[WHITE][j] = rook_table[j];
        rt.queen_pst[WHITE][j] = queen_table[j];
        rt.bishop_pst[BLACK][j] = bishop_table[j ^ 56];
        rt.rook_pst[BLACK][j] = rook_table[j ^ 56];
        rt.queen_pst[BLACK][j] = queen_table[j ^ 56];
        rt.king_pst[WHITE][j] = rt.king_pst[BLACK][j] =
            (king_end_table[j] * phase + (10 - phase) * king_middle_table[j]) / 10;
    }
}

// A king that can still castle wants its future shelter intact.
void add_castling_shelter(int phase) {
    RootTables& rt = root_tables;
    const bool white_home = pos.square_moves[E1] == 0;
    const bool black_home = pos.square_moves[E8] == 0;
    for (int j = 0; j < 64; j++) {
        if (white_home) {
            if (pos.square_moves[H1] == 0 && (j == F1 || j == G1 || j == H1))
                rt.king_pst[WHITE][j] += shelter_penalty(phase, H2, G2, G3, F2);
            if (pos.square_moves[A1] == 0 && j <= D1)
                rt.king_pst[WHITE][j] += shelter_penalty(phase, A2, B2, B3, C2);
        }
        if (black_home) {
            if (pos.square_moves[H8] == 0 && (j == F8 || j == G8 || j == H8))
                rt.king_pst[BLACK][j] += shelter_penalty(phase, H7, G7, G6, F7);
            if (pos.square_moves[A8] == 0 && j >= A8 && j <= D8)
                rt.king_pst[BLACK][j] += shelter_penalty(phase, A7, B7, B6, C7);
        }
    }
}

void fill_pawn_tables(int phase) {
    RootTables& rt = root_tables;
    const PhaseState& ph = phase_state;
    const int white_king = pos.piece_list[WHITE][0];
    const int black_king = pos.piece_list[BLACK][0];
    const int white_king_file = white_king & 7;
    const int black_king_file = black_king & 7;
    const bool white_home = pos.square_moves[E1] == 0;
    const bool black_home = pos.square_moves[E8] == 0;
    const int pawn_divisor = 2 * (32 - phase);
    for (int j = 0; j < 64; j++) {
        const int f = j & 7;
        const int r = j >> 3;

        // Pawns advance; a pawn with a neighbour is worth pushing more.
        const int white_weight =
            has_neighbour_pawn(WHITE, f) ? weights.pawn_neighbour_weight : weights.pawn_isolated_weight;
        const int black_weight =
            has_neighbour_pawn(BLACK, f) ? weights.pawn_neighbour_weight : weights.pawn_isolated_weight;
        rt.pawn_pst[WHITE][j] = pawn_table[j] * white_weight * 8 / pawn_divisor;
        rt.pawn_pst[BLACK][j] = pawn_table[63 - j] * black_weight * 8 / pawn_divisor;

        // Pawns in front of the king stay; before castling, the wing pawns.
        if (!white_home) {
            const int d = king_distance[j][white_king];
            if (f != 3 && f != 4 && d < 3) rt.pawn_pst[WHITE][j] += ph.opening_weight / (d + 1);
        } else if (r < 3 && (f < 2 || f > 5)) {
            rt.pawn_pst[WHITE][j] += ph.opening_weight / 2;
        }
        if (!black_home) {
            const int d = king_distance[j][black_king];
            if (f != 3 && f != 4 && d < 3) rt.pawn_pst[BLACK][j] += ph.opening_weight / (d + 1);
        } else if (r > 4 && (f < 2 || f > 5)) {
            rt.pawn_pst[BLACK][j] += ph.opening_weight / 2;
        }

        // Kings on opposite wings: storm the enemy king with the wing pawns.
        if (ph.opposite_castling) {
            if ((white_king_file < 4 && f > 4) || (white_king_file > 3 && f < 3))
                rt.pawn_pst[WHITE][j] += 4 * r;
            if ((black_king_file < 4 && f > 4) || (black_king_file > 3 && f < 3))
                rt.pawn_pst[BLACK][j] += 4 * (7 - r);
        }
    }
}

// Knights want to be near the kings and near enemy pieces.
void add_knight_proximity() {
    RootTables& rt = root_tables;
    const PhaseState& ph = phase_state;
    const int white_king = pos.piece_list[WHITE][0];
    const int black_king = pos.piece_list[BLACK][0];
    int piece_squares[2][16];
    int piece_total[2] = {0, 0};
    for (int side = WHITE; side <= BLACK; side++)
        for (int slot = 0; slot < pos.piece_count[side]; slot++)
            if (pos.piece_list[side][slot] != DEAD_SLOT)
                piece_squares[side][piece_total[side]++] = pos.piece_list[side][slot];
    for (int j = 0; j < 64; j++) {
        const int near_kings = 10 - king_distance[j][black_king] - king_distance[j][white_king];
        rt.knight_pst[WHITE][j] += near_kings;
        rt.knight_pst[BLACK][j] += near_kings;
        for (int i = 0; i < piece_total[BLACK]; i++)
            if (king_distance[j][piece_squares[BLACK][i]] < 3) rt.knight_pst[WHITE][j] += ph.near_piece_bonus;
        for (int i = 0; i < piece_total[WHITE]; i++)
            if (king_distance[j][piece_squares[WHITE][i]] < 3) rt.knight_pst[BLACK][j] += ph.near_piece_bonus;
    }
}

// Sliders earn for reaching the squares around the enemy king: the king's
// square and its ring, which the sliders' scan finds as one mask.
void fill_king_zones() {
    PhaseState& ph = phase_state;
    const int white_king = pos.piece_list[WHITE][0];
    const int black_king = pos.piece_list[BLACK][0];
    ph.king_zone_squares[BLACK] = leap_masks.king[white_king] | uint64_t{1} << white_king;
    ph.king_zone_squares[WHITE] = leap_masks.king[black_king] | uint64_t{1} << black_king;
    std::memset(ph.king_zone_value, 0, sizeof(ph.king_zone_value));
    for (int side = WHITE; side <= BLACK; side++)
        for (uint64_t zone = ph.king_zone_squares[side]; zone != 0; zone &= zone - 1)
            ph.king_zone_value[side][std::countr_zero(zone)] = ph.opening_weight;
}

// In the ending the kings go to the pawns, above all the passed ones (where
// each pawn stops counting does not depend on the square being filled).
void add_king_pawn_targets() {
    RootTables& rt = root_tables;
    PawnTarget pawn_targets[32];
    int pawn_target_count = 0;
    for (int side = WHITE; side <= BLACK; side++) {
        for (int slot = 0; slot < pos.piece_count[side]; slot++) {
            const int sq = pos.piece_list[side][slot];
            if (sq != DEAD_SLOT && pos.board_piece[sq] == PAWN)
                pawn_targets[pawn_target_count++] = pawn_target(side, sq);
        }
    }
    for (int j = 0; j < 64; j++) {
        int32_t s = 0;
        for (int i = 0; i < pawn_target_count; i++)
            s += pawn_targets[i].weight * square_distance[j][pawn_targets[i].square];
        if (s != 0) {
            rt.king_pst[WHITE][j] -= s * phase_state.root_phase / 8;
            rt.king_pst[BLACK][j] -= s * phase_state.root_phase / 8;
        }
    }
}

// Every live piece gets the table of its kind as its slot's row.
void fill_slot_tables() {
    RootTables& rt = root_tables;
    for (int side = WHITE; side <= BLACK; side++) {
        for (int slot = 0; slot < pos.piece_count[side]; slot++) {
            const int sq = pos.piece_list[side][slot];
            if (sq == DEAD_SLOT) continue;
            const int32_t* row = nullptr;
            switch (pos.board_piece[sq]) {
                case PAWN:
                    row = rt.pawn_pst[side];
                    break;
                case KNIGHT:
                    row = rt.knight_pst[side];
                    break;
                case BISHOP:
                    row = rt.bishop_pst[side];
                    break;
                case ROOK:
                    row = rt.rook_pst[side];
                    break;
                case QUEEN:
                    row = rt.queen_pst[side];
                    break;
                case KING:
                    row = rt.king_pst[side];
                    break;
                default:
                    continue;
            }
            std::memcpy(pos.slot_pst[side][slot], row, sizeof(pos.slot_pst[side][slot]));
        }
    }
}

}  // namespace

void prepare_evaluation() {
    set_root_phase();
    const int phase = phase_state.phase;
    copy_base_tables(phase);
    add_castling_shelter(phase);
    fill_pawn_tables(phase);
    add_knight_proximity();
    fill_king_zones();
    add_king_pawn_targets();
    fill_slot_tables();
}

void recompute_pst_sum() {
    for (int side = WHITE; side <= BLACK; side++) {
        int32_t sum = 0;
        for (int slot = 0; slot < pos.piece_count[side]; slot++) {
            const int sq = pos.piece_list[side][slot];
            if (sq != DEAD_SLOT) sum += pos.slot_pst[side][slot][sq];
        }
        pos.pst_sum[side] = sum;
    }
}
