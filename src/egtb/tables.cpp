#include "egtb/tables.h"

namespace {

constexpr char PIECE_LETTER[5] = {'p', 'n', 'b', 'r', 'q'};

// Longest name: "k" + two pieces + "k" + one piece.
struct TableNames {
    char name[TABLE_COUNT + 1][8];
};

constexpr void write_name(char* out, const char* white, const char* black) {
    int n = 0;
    out[n++] = 'k';
    for (const char* c = white; *c; c++) out[n++] = *c;
    out[n++] = 'k';
    for (const char* c = black; *c; c++) out[n++] = *c;
    out[n] = '\0';
}

// The numbering in full: three men, then one piece each, then two pieces
// against the bare king, then two pieces against one.
constexpr TableNames build_table_names() {
    TableNames names{};
    int table = 0;
    write_name(names.name[table++], "", "");
    for (int x = 0; x < 5; x++) {
        const char white[2] = {PIECE_LETTER[x], '\0'};
        write_name(names.name[table++], white, "");
    }
    for (int x = 0; x < 5; x++) {
        for (int y = 0; y <= x; y++) {
            const char white[2] = {PIECE_LETTER[x], '\0'};
            const char black[2] = {PIECE_LETTER[y], '\0'};
            write_name(names.name[table++], white, black);
        }
    }
    for (int x = 0; x < 5; x++) {
        for (int y = 0; y <= x; y++) {
            const char white[3] = {PIECE_LETTER[x], PIECE_LETTER[y], '\0'};
            write_name(names.name[table++], white, "");
        }
    }
    for (int x = 0; x < 5; x++) {
        for (int y = 0; y <= x; y++) {
            for (int z = 0; z < 5; z++) {
                const char white[3] = {PIECE_LETTER[x], PIECE_LETTER[y], '\0'};
                const char black[2] = {PIECE_LETTER[z], '\0'};
                write_name(names.name[table++], white, black);
            }
        }
    }
    return names;
}

constexpr TableNames table_names = build_table_names();

// The pieces of one side as indices 0 (pawn) .. 4 (queen), strongest first.
// Returns their number, or 3 for "three or more" (no table has that many).
int side_pieces(const int32_t counts[5], int out[2]) {
    int n = 0;
    for (int kind = 4; kind >= 0; kind--) {
        if (counts[kind] < 0) return 3;
        for (int k = 0; k < counts[kind]; k++) {
            if (n == 2) return 3;
            out[n++] = kind;
        }
    }
    return n;
}

// Position of the pair (x, y), y <= x, in the order p p, n p, n n, b p, ...
int pair_index(int x, int y) {
    return x * (x + 1) / 2 + y;
}

int table_with_white(const int* w, int white_count, const int* b, int black_count) {
    if (white_count == 1 && black_count == 0) return 1 + w[0];
    if (white_count == 1 && black_count == 1 && b[0] <= w[0]) return 6 + pair_index(w[0], b[0]);
    if (white_count == 2 && black_count == 0) return 21 + pair_index(w[0], w[1]);
    if (white_count == 2 && black_count == 1) return 36 + 5 * pair_index(w[0], w[1]) + b[0];
    return NO_TABLE;
}

}  // namespace

const char* table_name(int table) {
    if (table < 0 || table > TABLE_COUNT) return "";
    return table_names.name[table];
}

int material_table(const int32_t white[5], const int32_t black[5], int32_t& reversed) {
    int w[2] = {0, 0};
    int b[2] = {0, 0};
    int white_count = side_pieces(white, w);
    int black_count = side_pieces(black, b);
    reversed = 0;
    int table = table_with_white(w, white_count, b, black_count);
    if (table != NO_TABLE) return table;
    table = table_with_white(b, black_count, w, white_count);
    if (table != NO_TABLE) reversed = 1;
    return table;
}

int nalimov_score(int value) {
    if (value > 0) return 2 * value - 35534;
    if (value < 0) return 2 * value + 35534;
    return 0;
}

int nalimov_mate_value(int side_to_move_wins, int plies) {
    // A win takes an odd number of plies (the mating move is the side's own),
    // a loss an even number (0: mated now).
    if (side_to_move_wins) return 32767 - (plies + 1) / 2;
    return -32766 + plies / 2;
}
