// Table numbers and names of the material combinations, and the guard of the positions the readers get.
#include "egtb/tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <set>
#include <string>

#include "board/fen.h"
#include "board/types.h"
#include "data_rows.h"

namespace {

TEST(MaterialTables, NamesFollowTheNumberingAndFindTheirTableInBothColours) {
    const std::pair<int, const char*> known[] = {{0, "kk"},    {1, "kpk"},    {5, "kqk"},    {7, "knkp"},
                                                 {21, "kppk"}, {36, "kppkp"}, {60, "kbnkq"}, {110, "kqqkq"}};
    for (const auto& [table, name] : known) EXPECT_STREQ(table_name(table), name) << table;
    std::set<std::string> names;
    for (int table = 1; table <= TABLE_COUNT; table++) {
        const std::string name = table_name(table);
        names.insert(name);
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

// The readers' lists from a FEN placement: white first, each king last (a second king is kept too).
ProbePosition probe_position(const char* placement, int side, int ep = 0) {
    Placement board;
    read_placement(placement, board);
    ProbePosition p{};
    p.side = side;
    p.ep_square = ep;
    for (int colour = 0; colour < 2; colour++) {
        int n = 0;
        for (int king_last = 0; king_last < 2; king_last++) {
            for (int square = 0; square < 64; square++) {
                const int piece = board.piece[square];
                if (board.colour[square] != colour || (piece == KING) != (king_last == 1)) continue;
                p.square[colour][n] = square;
                p.piece[colour][n++] = piece;
                if (piece != KING) p.count[colour][piece - 1]++;
            }
        }
        p.square[colour][n] = LIST_END;
    }
    return p;
}

TEST(ProbePositionGuard, OnlyPositionsTheReadersCanTakePass) {
    for (const auto& row : data_rows("egtb/data/reader_guard.txt")) {
        const std::string& ep = row[2];
        const int ep_square = ep == "-" ? 0 : ep == "off" ? 64 : (ep[1] - '1') * 8 + ep[0] - 'a';
        EXPECT_EQ(readers_can_take(probe_position(row[0].c_str(), std::stoi(row[1]), ep_square)),
                  row[3] == "yes")
            << row[0] << " side " << row[1] << " ep " << ep;
    }
    // Lists that describe no board.
    const ProbePosition p = probe_position("4k3/8/8/8/8/8/8/R3K3", 0);
    ASSERT_TRUE(readers_can_take(p));
    const std::pair<const char*, void (*)(ProbePosition&)> spoiled[] = {
        {"two men on one square", [](ProbePosition& q) { q.square[0][0] = q.square[0][1]; }},
        {"a square off the board", [](ProbePosition& q) { q.square[0][0] = 64; }},
        {"an unknown man", [](ProbePosition& q) { q.piece[0][0] = 7; }},
        {"counts that are not the lists'", [](ProbePosition& q) { q.count[0][3] = 0; }},
        {"a list without its end",
         [](ProbePosition& q) {
             std::iota(q.square[0], q.square[0] + 17, 0);
             std::fill_n(q.piece[0], 17, KNIGHT);
             q.piece[0][0] = KING;
         }},
    };
    for (const auto& [fault, spoil] : spoiled) {
        ProbePosition q = p;
        spoil(q);
        EXPECT_FALSE(readers_can_take(q)) << fault;
    }
}

}  // namespace
