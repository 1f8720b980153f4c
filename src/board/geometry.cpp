// Placeholder: replaced by the geometry tables.
#include "board/geometry.h"

uint8_t next_square[8][64][64];
uint8_t next_direction[8][64][64];
uint8_t square_distance[64][64];
uint8_t king_distance[64][64];
int32_t material_value[4096];
const int32_t piece_kind[2][8] = {{0, 1, 2, 3, 4, 5, 6, 0}, {0, 7, 2, 3, 4, 5, 6, 0}};
const int32_t piece_value[8] = {0, 90, 360, 372, 579, 1200, 10000, 90};
const int32_t square_is_dark[64] = {};

void build_distance_tables() {}
void build_ray_tables() {}
void build_material_table() {}
void init_tables() {}
