// Read-only tables built once at start-up: the ray-walking chains, the
// distance tables, piece values and kinds, and the material table.
#pragma once

#include <cstdint>

#include "board/types.h"

// next_square[kind][origin][current]: the next square to try after an empty
// one; next_direction[kind][origin][current]: the first square of the next
// ray after an occupied one. The value origin means "no more squares".
// For pawns next_square chains the forward steps and next_direction the two
// capture squares.
extern uint8_t next_square[8][64][64];
extern uint8_t next_direction[8][64][64];
extern uint8_t square_distance[64][64];  // |file difference| + |rank difference|
extern uint8_t king_distance[64][64];    // max(|file difference|, |rank difference|)
extern int32_t material_value[4096];     // by material_signature: read it through material_of

extern const int32_t piece_kind[2][8];  // piece code -> ray-table kind per colour
extern const int32_t piece_value[8];    // by piece code; index 7 the black pawn kind
extern const int32_t square_is_dark[64];

// The worth of one side's material. A signature is a plain sum, so promoted
// material (a fourth queen) carries past its twelve bits; the table only
// knows the low twelve.
inline int32_t material_of(int32_t signature) {
    return material_value[signature & 0xFFF];
}

void build_distance_tables();
void build_ray_tables();
void build_material_table();
