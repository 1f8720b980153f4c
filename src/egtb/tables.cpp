#include "egtb/tables.h"

#include <cstring>
#include <initializer_list>

namespace {

constexpr char PIECE_LETTER[5] = {'p', 'n', 'b', 'r', 'q'};
const char PIECE_LETTER_TEXT[] = "pnbrq";

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

// Per side the counts of pawns .. queens that the name of a table lists.
void table_counts(int table, int32_t counts[2][5]) {
    for (int side = 0; side < 2; side++)
        for (int kind = 0; kind < 5; kind++) counts[side][kind] = 0;
    int side = 0;
    for (const char* c = table_names.name[table] + 1; *c; c++) {
        if (*c == 'k')
            side = 1;
        else
            counts[side][std::strchr(PIECE_LETTER_TEXT, *c) - PIECE_LETTER_TEXT]++;
    }
}

// 0 not known yet, 1 no damaged table ahead, 2 one ahead. Captures and
// promotions lead to fewer men or fewer pawns, so the search ends.
bool leads_to_damage(int table, const int8_t found[], int8_t known[]) {
    if (table == NO_TABLE) return false;
    if (known[table] != 0) return known[table] == 2;
    bool damaged = found[table] == TABLE_FILE_DAMAGED;
    int32_t counts[2][5];
    table_counts(table, counts);
    int32_t reversed = 0;
    for (int side = 0; side < 2 && !damaged; side++) {
        for (int kind = 0; kind < 5 && !damaged; kind++) {
            if (counts[side][kind] == 0) continue;
            counts[side][kind]--;  // captured, or promoted below
            damaged = leads_to_damage(material_table(counts[0], counts[1], reversed), found, known);
            for (int promoted = 1; kind == 0 && promoted < 5 && !damaged; promoted++) {
                counts[side][promoted]++;
                damaged = leads_to_damage(material_table(counts[0], counts[1], reversed), found, known);
                counts[side][promoted]--;
            }
            counts[side][kind]++;
        }
    }
    known[table] = damaged ? 2 : 1;
    return damaged;
}

}  // namespace

void find_usable_tables(const int8_t found[TABLE_COUNT + 1], int8_t usable[TABLE_COUNT + 1]) {
    int8_t known[TABLE_COUNT + 1] = {};
    usable[NO_TABLE] = 0;
    for (int table = 1; table <= TABLE_COUNT; table++) {
        usable[table] = found[table] == TABLE_FILE_SOUND && !leads_to_damage(table, found, known) ? 1 : 0;
    }
}

int table_men(int table) {
    if (table < 1 || table > TABLE_COUNT) return 0;
    return static_cast<int>(std::strlen(table_names.name[table]));
}

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

namespace {

inline constexpr int KING_CODE = 6;

int distance(int a, int b) {
    return a > b ? a - b : b - a;
}

// The men of a probe position as bit sets, by square.
struct ProbeBoard {
    uint64_t occupied;
    uint64_t pawns[2];
    int32_t king[2];
};

bool attacks(int piece, int colour, int from, int target, uint64_t occupied) {
    const int file_step = (target & 7) - (from & 7), rank_step = (target >> 3) - (from >> 3);
    const int files = distance(target & 7, from & 7), ranks = distance(target >> 3, from >> 3);
    switch (piece) {
        case 1:  // a white pawn takes upwards
            return files == 1 && rank_step == (colour == 0 ? 1 : -1);
        case 2:
            return files * ranks == 2;
        case KING_CODE:
            return files <= 1 && ranks <= 1;
        default:
            break;
    }
    const bool diagonal = files == ranks, straight = files == 0 || ranks == 0;
    if (!(piece == 3 ? diagonal : piece == 4 ? straight : diagonal || straight)) return false;
    // Nothing may stand between.
    const int step = (rank_step > 0   ? 8
                      : rank_step < 0 ? -8
                                      : 0) +
                     (file_step > 0   ? 1
                      : file_step < 0 ? -1
                                      : 0);
    for (int s = from + step; s != target; s += step)
        if (occupied >> s & 1) return false;
    return true;
}

// Fills the board from the lists; false when they do not describe one.
bool build_probe_board(const ProbePosition& p, ProbeBoard& b) {
    b.occupied = 0;
    for (int colour = 0; colour < 2; colour++) {
        int32_t counted[5] = {0, 0, 0, 0, 0};
        b.pawns[colour] = 0;
        b.king[colour] = -1;
        int n = 0;
        for (; n < 16 && p.square[colour][n] != LIST_END; n++) {
            const int s = p.square[colour][n];
            const int piece = p.piece[colour][n];
            if (s < 0 || s > 63 || (b.occupied >> s & 1) || piece < 1 || piece > KING_CODE) return false;
            b.occupied |= uint64_t{1} << s;
            if (piece == KING_CODE) {
                if (b.king[colour] != -1) return false;
                b.king[colour] = s;
            } else {
                counted[piece - 1]++;
            }
            if (piece == 1) {
                if (s < 8 || s > 55) return false;  // a pawn on the first or last rank
                b.pawns[colour] |= uint64_t{1} << s;
            }
        }
        if (p.square[colour][n] != LIST_END || b.king[colour] == -1) return false;
        for (int kind = 0; kind < 5; kind++)
            if (counted[kind] != p.count[colour][kind]) return false;
    }
    return true;
}

bool en_passant_is_real(const ProbeBoard& b, int side, int ep) {
    if (ep == 0) return true;
    if (ep < 0 || ep > 63 || ep / 8 != (side == 0 ? 5 : 2)) return false;
    const int forward = side == 0 ? 8 : -8;
    const int passed = ep - forward;  // the pawn that has just made its double step
    const int origin = ep + forward;  // where it came from
    if ((b.occupied >> ep & 1) || (b.occupied >> origin & 1) || !(b.pawns[side ^ 1] >> passed & 1))
        return false;
    for (int file_step : {-1, 1}) {
        const int file = (passed & 7) + file_step;
        if (file >= 0 && file <= 7 && (b.pawns[side] >> (passed + file_step) & 1)) return true;
    }
    return false;
}

}  // namespace

bool readers_can_take(const ProbePosition& p) {
    if (p.side != 0 && p.side != 1) return false;
    ProbeBoard b;
    if (!build_probe_board(p, b)) return false;
    // The side not to move must not be in check (nor the kings touch).
    for (int n = 0; p.square[p.side][n] != LIST_END; n++)
        if (attacks(p.piece[p.side][n], p.side, p.square[p.side][n], b.king[p.side ^ 1], b.occupied))
            return false;
    return en_passant_is_real(b, p.side, p.ep_square);
}
