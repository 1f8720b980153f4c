#include "eval/phase.h"

#include "board/geometry.h"
#include "board/position.h"

PhaseState phase_state = {-1, -1, 0, 0, 0, 0, 0, 0, 0, 0, {}, {}};

int32_t piece_material_both() {
    return piece_material(WHITE) + piece_material(BLACK);
}

bool any_queen() {
    return ((pos.material_signature[WHITE] | pos.material_signature[BLACK]) & SIGNATURE_QUEENS_MASK) != 0;
}

namespace {

void set_phase_weights(int p, bool queens) {
    PhaseState& ph = phase_state;
    ph.phase = p;
    ph.opening_weight = 10 - p;
    ph.near_piece_bonus = (p + 2) / 3;
    ph.bishop_outpost_weight = (p + 6) / 2;
    ph.king_file_open_own = 2 * p - 20;
    ph.king_file_open_enemy = p - 10;
    ph.lost_castling_penalty = queens ? -40 / (p + 1) : -p;
    ph.king_attack_weight = p <= 7 ? (10 - p) * 4 : 0;
}

}  // namespace

void forget_phase() {
    phase_state.phase = phase_state.root_phase = -1;
}

void update_phase() {
    const int32_t c = piece_material_both();
    const bool queens = any_queen();
    int p;
    if (c > 7200) {
        p = queens ? 0 : 2;
    } else if (c < 1400) {
        p = 10;
    } else {
        p = (7200 - c) / 580;
        if (p <= 8 && !queens) p += 2;
    }
    if (p == phase_state.phase) return;
    set_phase_weights(p, queens);
}
