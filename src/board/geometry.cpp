// The geometry tables, built once at start-up from a 10x12 mailbox so that
// move generation and attack tests never need to test board edges.
#include "board/geometry.h"

#include <cstdlib>
#include <cstring>

uint8_t next_square[8][64][64];
uint8_t next_direction[8][64][64];
uint8_t square_distance[64][64];
uint8_t king_distance[64][64];
int32_t material_value[4096];

const int32_t piece_kind[2][8] = {{0, 1, 2, 3, 4, 5, 6, 0}, {0, 7, 2, 3, 4, 5, 6, 0}};
const int32_t piece_value[8] = {0, 90, 360, 372, 579, 1200, 10000, 90};

// a1 is dark: a square is dark when file + rank is even.
const int32_t square_is_dark[64] = {
    1, 0, 1, 0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0, 1,
    1, 0, 1, 0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0, 1,
};

namespace {

// Mailbox steps per kind, in the order the generator tries them.
struct KindSteps {
    int count;
    int max_steps;
    int step[8];
};
const KindSteps kind_steps[8] = {
    {0, 0, {}},                                  // unused
    {3, 2, {10, 9, 11}},                         // white pawn: forward, then captures
    {8, 1, {8, -8, 12, -12, 19, -19, 21, -21}},  // knight
    {4, 7, {9, 11, -9, -11}},                    // bishop
    {4, 7, {1, 10, -1, -10}},                    // rook
    {8, 7, {1, 10, -1, -10, 9, 11, -9, -11}},    // queen
    {8, 1, {1, 10, -1, -10, 9, 11, -9, -11}},    // king
    {3, 2, {-10, -9, -11}},                      // black pawn
};

int mailbox_of(Square s) {
    return 21 + file_of(s) + 10 * rank_of(s);
}

// Board square of a mailbox cell, or -1 off the board.
int square_of_mailbox(int index) {
    int col = index % 10, row = index / 10;
    if (col < 1 || col > 8 || row < 2 || row > 9) return -1;
    return (col - 1) + 8 * (row - 2);
}

bool on_pawn_home_rank(Square s) {
    return rank_of(s) == 1 || rank_of(s) == 6;
}

struct Ray {
    int length;
    int square[7];
};

// The rays of kind from origin, non-empty rays first in their natural order.
void collect_rays(int kind, Square origin, Ray rays[8]) {
    const KindSteps& k = kind_steps[kind];
    bool pawn = kind == 1 || kind == BLACK_PAWN_KIND;
    int stored = 0;
    Ray empty_rays[8];
    int empty_count = 0;
    for (int d = 0; d < 8; d++) {
        Ray ray{};
        if (d < k.count) {
            int limit = k.max_steps;
            if (pawn && (d != 0 || !on_pawn_home_rank(origin))) limit = 1;
            int cell = mailbox_of(origin);
            for (int n = 0; n < limit; n++) {
                cell += k.step[d];
                int s = square_of_mailbox(cell);
                if (s < 0) break;
                ray.square[ray.length++] = s;
            }
        }
        if (ray.length > 0)
            rays[stored++] = ray;
        else
            empty_rays[empty_count++] = ray;
    }
    for (int i = 0; i < empty_count; i++) rays[stored++] = empty_rays[i];
}

void chain_pawn(int kind, Square origin) {
    // Pawn rays keep their direction numbers: forward is direction 0.
    const KindSteps& k = kind_steps[kind];
    Ray by_direction[3];
    for (int d = 0; d < 3; d++) {
        by_direction[d] = Ray{};
        int limit = (d == 0 && on_pawn_home_rank(origin)) ? k.max_steps : 1;
        int cell = mailbox_of(origin);
        for (int n = 0; n < limit; n++) {
            cell += k.step[d];
            int s = square_of_mailbox(cell);
            if (s < 0) break;
            by_direction[d].square[by_direction[d].length++] = s;
        }
    }
    // Forward steps through next_square.
    int previous = origin;
    for (int i = 0; i < by_direction[0].length; i++) {
        next_square[kind][origin][previous] = static_cast<uint8_t>(by_direction[0].square[i]);
        previous = by_direction[0].square[i];
    }
    // Capture squares through next_direction, skipping those off the board.
    previous = origin;
    for (int d = 1; d < 3; d++) {
        if (by_direction[d].length == 0) continue;
        next_direction[kind][origin][previous] = static_cast<uint8_t>(by_direction[d].square[0]);
        previous = by_direction[d].square[0];
    }
}

void chain_piece(int kind, Square origin) {
    Ray rays[8];
    collect_rays(kind, origin, rays);
    if (rays[0].length == 0) return;
    next_direction[kind][origin][origin] = static_cast<uint8_t>(rays[0].square[0]);
    int previous = origin;
    for (int r = 0; r < 8 && rays[r].length > 0; r++) {
        for (int i = 0; i < rays[r].length; i++) {
            int s = rays[r].square[i];
            next_square[kind][origin][previous] = static_cast<uint8_t>(s);
            previous = s;
            if (r < 7)
                next_direction[kind][origin][s] =
                    static_cast<uint8_t>(rays[r + 1].length > 0 ? rays[r + 1].square[0] : origin);
        }
    }
}

}  // namespace

void build_ray_tables() {
    for (int kind = 0; kind < 8; kind++)
        for (int origin = 0; origin < 64; origin++) {
            std::memset(next_square[kind][origin], origin, 64);
            std::memset(next_direction[kind][origin], origin, 64);
        }
    for (int kind = 1; kind < 8; kind++)
        for (Square origin = 0; origin < 64; origin++) {
            if (kind == 1 || kind == BLACK_PAWN_KIND)
                chain_pawn(kind, origin);
            else
                chain_piece(kind, origin);
        }
}

void build_distance_tables() {
    for (Square a = 0; a < 64; a++)
        for (Square b = 0; b < 64; b++) {
            int df = std::abs(file_of(a) - file_of(b));
            int dr = std::abs(rank_of(a) - rank_of(b));
            square_distance[a][b] = static_cast<uint8_t>(df + dr);
            king_distance[a][b] = static_cast<uint8_t>(df > dr ? df : dr);
        }
}

namespace {

// Raw material of a signature: bishops by their two bits, the other fields as counts.
int signature_base(int i) {
    int bishops = ((i >> 6) & 1) + ((i >> 7) & 1);
    return bishops * 372 + ((i >> 4) & 3) * 360 + ((i >> 8) & 3) * 579 + ((i >> 10) & 3) * 1200 +
           (i & 15) * 90;
}

// Few pawns are worth more than their count (each one may become a queen),
// many pawns less. Counts above ten cannot arise with legal material.
const int pawn_count_term[16] = {0, 30, 20, 10, 0, -10, -20, -30, -40, -50, -60, -70, -80, -90, -100, -110};

}  // namespace

void build_material_table() {
    for (int i = 0; i < 4096; i++) material_value[i] = signature_base(i);
    for (int i = 0; i < 4096; i++) {
        int p = i & 15;
        int m = 2 * signature_base(i & 0xFF0);
        int c = m > 7200 ? 0 : m < 1400 ? 10 : (7200 - m) / 580;
        bool dark_bishop = i & 0x40, light_bishop = i & 0x80;
        bool queens = i & 0xC00, rooks = i & 0x300, bishops = i & 0xC0, knights = i & 0x30;
        int v = 0;
        if (dark_bishop && light_bishop)
            v += 40 - 4 * p;
        else if (dark_bishop || light_bishop)
            v += 10 - p;
        if (i & 0x100) v += 2 * c - 20 - p;
        if (i & 0x200) v += 4 * (c - p) - 40;
        if ((i & 0x400) && (i & 0x10)) v += 9;
        if (queens && !rooks && !bishops && !knights) v += 6 * p - 50;
        if (!queens && !rooks && !bishops && knights) v += 6 * p - 60;
        if (i & 0x100) v -= 8;
        v += pawn_count_term[p];
        material_value[i] += v;
    }
}
