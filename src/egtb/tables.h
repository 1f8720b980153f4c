// The material combinations that have tables, the position handed to the
// readers, and the scale of the values stored in Nalimov tables.
#pragma once

#include <cstdint>

// Table numbers 1..110, one per material combination; 0 means no table.
inline constexpr int TABLE_COUNT = 110;
inline constexpr int NO_TABLE = 0;

// "k" + white's pieces + "k" + black's pieces, strongest first (number 0 is
// "kk", which is never a file).
const char* table_name(int table);

// The table for a material combination, counts indexed by piece code - 1
// (pawns first, queens last). Sets reversed when the table holds the
// combination with the colours exchanged.
int material_table(const int32_t white[5], const int32_t black[5], int32_t& reversed);

// What registration found of a table's file (or pair of files).
inline constexpr int8_t TABLE_FILE_MISSING = 0;
inline constexpr int8_t TABLE_FILE_SOUND = 1;
inline constexpr int8_t TABLE_FILE_DAMAGED = 2;

// The readers follow captures and promotions into the tables those lead
// to, so a table may be probed only when its own file is sound and no table
// it leads to, however many moves away, has a damaged one. Sets usable[t]
// to 1 for those tables, else 0.
void find_usable_tables(const int8_t found[TABLE_COUNT + 1], int8_t usable[TABLE_COUNT + 1]);
// Men on the board in a position of the table, kings included.
int table_men(int table);

// One probe, as the readers see it: per colour the occupied squares with
// their piece codes, king last, each list ended by LIST_END.
inline constexpr int32_t LIST_END = -99;
struct ProbePosition {
    int32_t side;       // to move
    int32_t ep_square;  // 0 when no en-passant capture is possible
    int32_t square[2][17];
    int32_t piece[2][17];
    int32_t count[2][5];  // pawns, knights, bishops, rooks, queens
};

// Whether a reader can take the position: a side to move of 0 or 1, one
// king a side and only known men, no two men on one square, the piece
// counts those of the lists, no pawn on the first or last rank, the side
// not to move not in check (so the kings do not touch either), and an
// en-passant square only right behind a pawn that has just made its double
// step beside a pawn of the side to move. The readers take these for
// granted: anything else sends them outside their tables.
bool readers_can_take(const ProbePosition& p);

// Nalimov values: 32767 - n for a mate in n moves, -32766 + n for a side
// to move that is mated after n moves of its own, 0 for a draw.
inline constexpr int NALIMOV_NO_RESULT = 0x7FFF;
int nalimov_score(int value);
// The value a Nalimov table stores for a distance to mate in plies.
int nalimov_mate_value(int side_to_move_wins, int plies);
