// Table numbers and names of the material combinations, and the guard of
// the positions the readers get.
#include "egtb/tables.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "board/types.h"

namespace {

TEST(MaterialTables, NamesFollowTheNumberingAndFindTheirTableInBothColours) {
    const std::pair<int, const char*> known[] = {{0, "kk"},    {1, "kpk"},    {5, "kqk"},    {7, "knkp"},
                                                 {21, "kppk"}, {36, "kppkp"}, {60, "kbnkq"}, {110, "kqqkq"}};
    for (const auto& [table, name] : known) EXPECT_STREQ(table_name(table), name) << table;

    std::set<std::string> names;
    for (int table = 1; table <= TABLE_COUNT; table++) {
        const std::string name = table_name(table);
        names.insert(name);
        // Piece counts (pawns first) of both sides from the letters of the name.
        int32_t counts[2][5] = {}, reversed = -1;
        for (size_t i = 1, side = 0; i < name.size(); i++) {
            if (name[i] == 'k')
                side = 1;
            else
                counts[side][std::strchr("pnbrq", name[i]) - "pnbrq"]++;
        }
        EXPECT_EQ(material_table(counts[0], counts[1], reversed), table) << name;
        EXPECT_EQ(reversed, 0) << name;
        const bool symmetric = std::memcmp(counts[0], counts[1], sizeof counts[0]) == 0;
        EXPECT_EQ(material_table(counts[1], counts[0], reversed), table)
            << name << " with the colours exchanged";
        EXPECT_EQ(reversed, symmetric ? 0 : 1) << name;
    }
    EXPECT_EQ(names.size(), 110u) << "every table has its own name";
}

// The lists the readers get, from the placement field of a FEN (white
// first, the king last on each list).
ProbePosition probe_position(const char* placement, int side, int ep = 0) {
    ProbePosition p{};
    p.side = side;
    p.ep_square = ep;
    int n[2] = {0, 0};
    int kings[2][2] = {{0, 0}, {0, 0}};  // square and count, so that a second king is kept too
    int rank = 7, file = 0;
    auto add = [&](int colour, int square, int piece) {
        p.square[colour][n[colour]] = square;
        p.piece[colour][n[colour]++] = piece;
    };
    for (const char* c = placement; *c; c++) {
        if (*c == '/') {
            rank--;
            file = 0;
        } else if (*c >= '1' && *c <= '8') {
            file += *c - '0';
        } else {
            const int colour = std::islower(static_cast<unsigned char>(*c)) ? 1 : 0;
            const int piece = static_cast<int>(std::strchr("pnbrqk", std::tolower(*c)) - "pnbrqk") + 1;
            if (piece == 6 && kings[colour][1]++ == 0)
                kings[colour][0] = rank * 8 + file;
            else
                add(colour, rank * 8 + file, piece);
            if (piece < 6) p.count[colour][piece - 1]++;
            file++;
        }
    }
    for (int colour = 0; colour < 2; colour++) {
        if (kings[colour][1] > 0) add(colour, kings[colour][0], 6);
        p.square[colour][n[colour]] = LIST_END;
    }
    return p;
}

TEST(ProbePositionGuard, OnlyPositionsTheReadersCanTakePass) {
    const struct {
        const char* placement;
        int side, ep;
        bool takes;
    } rows[] = {
        {"k7/8/8/8/8/8/8/RK6", 1, 0, true},
        {"k7/8/8/8/8/8/8/RK6", 0, 0, false},  // the side not to move is in check
        {"8/8/P7/8/8/8/5K2/7k", 0, 0, true},
        {"8/8/P7/8/8/8/5K2/6k1", 0, 0, false},   // kings touching
        {"4k3/8/5N2/8/8/8/8/4K3", 0, 0, false},  // a knight gives check
        {"4k3/8/8/8/8/8/3p4/4K3", 1, 0, false},  // a pawn gives check
        {"4k3/8/8/8/8/8/4p3/4K3", 1, 0, true},   // a pawn in front does not
        {"4k3/3P4/8/8/8/8/8/4K3", 0, 0, false},  // a white pawn gives check
        {"8/8/8/b7/8/8/8/4K2k", 1, 0, false},    // a bishop from afar
        {"8/8/8/b7/8/2N5/8/4K2k", 1, 0, true},   // blocked
        {"k7/8/8/8/8/8/8/4K2Q", 0, 0, false},    // a queen along the long diagonal
        {"P3k3/8/8/8/8/8/8/4K3", 0, 0, false},   // a pawn on an end rank
        {"4k3/8/8/8/8/8/8/8", 0, 0, false},      // no white king
        {"4k3/8/8/8/8/8/8/K3K3", 1, 0, false},   // two white kings
        {"4k3/8/8/8/8/8/8/4K3", 2, 0, false},    // no side to move
        // En passant: behind a pawn that has just made its double step,
        // beside a pawn of the side to move.
        {"4k3/8/8/3pP3/8/8/8/4K3", 0, D6, true},
        {"4k3/8/8/3pP3/8/8/8/4K3", 0, E6, false},    // behind the side's own pawn
        {"4k3/3n4/8/3pP3/8/8/8/4K3", 0, D6, false},  // the pawn cannot have come from d7
        {"4k3/8/3n4/3pP3/8/8/8/4K3", 0, D6, false},  // the square is taken
        {"4k3/8/8/3p3P/8/8/8/4K3", 0, D6, false},    // no pawn to take
        {"4k3/8/8/3pP3/8/8/8/4K3", 0, D3, false},    // the wrong rank
        {"4k3/8/8/8/4Pp2/8/8/4K3", 1, E3, true},
        {"4k3/8/8/8/4Pp2/8/8/4K3", 1, 64, false},  // off the board
    };
    for (const auto& row : rows) {
        EXPECT_EQ(readers_can_take(probe_position(row.placement, row.side, row.ep)), row.takes)
            << row.placement << " side " << row.side << " ep " << row.ep;
    }
    // Lists that do not describe a board.
    ProbePosition p = probe_position("4k3/8/8/8/8/8/8/R3K3", 0);
    ASSERT_TRUE(readers_can_take(p));
    const struct {
        const char* fault;
        void (*spoil)(ProbePosition&);
    } spoiled[] = {
        {"two men on one square", [](ProbePosition& q) { q.square[0][0] = q.square[0][1]; }},
        {"a square off the board", [](ProbePosition& q) { q.square[0][0] = 64; }},
        {"an unknown man", [](ProbePosition& q) { q.piece[0][0] = 7; }},
        {"counts that are not the lists'", [](ProbePosition& q) { q.count[0][3] = 0; }},
        {"a list without its end",
         [](ProbePosition& q) {
             for (int i = 0; i < 17; i++) {
                 q.square[0][i] = i;
                 q.piece[0][i] = i == 0 ? 6 : 2;
             }
         }},
    };
    for (const auto& s : spoiled) {
        ProbePosition q = p;
        s.spoil(q);
        EXPECT_FALSE(readers_can_take(q)) << s.fault;
    }
}

}  // namespace
