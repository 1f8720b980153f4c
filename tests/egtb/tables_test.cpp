// Table numbers and names of the material combinations, and the scale of
// Nalimov values.
#include "egtb/tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

// Piece counts (pawns first) of one side from the letters of a table name.
void counts_from_letters(const char* letters, int length, int32_t counts[5]) {
    static const char order[] = "pnbrq";
    for (int kind = 0; kind < 5; kind++) counts[kind] = 0;
    for (int i = 0; i < length; i++) counts[std::strchr(order, letters[i]) - order]++;
}

void counts_from_name(const char* name, int32_t white[5], int32_t black[5]) {
    const char* second_king = std::strchr(name + 1, 'k');
    counts_from_letters(name + 1, static_cast<int>(second_king - name - 1), white);
    counts_from_letters(second_king + 1, static_cast<int>(std::strlen(second_king + 1)), black);
}

TEST(TableNames, FollowTheNumberingOfTheCombinations) {
    const std::pair<int, const char*> known[] = {
        {0, "kk"},     {1, "kpk"},    {2, "knk"},    {3, "kbk"},    {4, "krk"},     {5, "kqk"},
        {6, "kpkp"},   {7, "knkp"},   {8, "knkn"},   {9, "kbkp"},   {12, "krkp"},   {15, "krkr"},
        {16, "kqkp"},  {20, "kqkq"},  {21, "kppk"},  {22, "knpk"},  {23, "knnk"},   {26, "kbbk"},
        {30, "krrk"},  {34, "kqrk"},  {35, "kqqk"},  {36, "kppkp"}, {37, "kppkn"},  {40, "kppkq"},
        {41, "knpkp"}, {50, "knnkq"}, {60, "kbnkq"}, {86, "kqpkp"}, {106, "kqqkp"}, {110, "kqqkq"},
    };
    for (const auto& [table, name] : known) EXPECT_STREQ(table_name(table), name) << table;
    std::set<std::string> names;
    for (int table = 0; table <= TABLE_COUNT; table++) names.insert(table_name(table));
    EXPECT_EQ(names.size(), 111u) << "every table has its own name";
}

TEST(MaterialTable, FindsEveryTableByItsMaterialInBothColours) {
    for (int table = 1; table <= TABLE_COUNT; table++) {
        int32_t white[5], black[5], reversed = -1;
        counts_from_name(table_name(table), white, black);
        EXPECT_EQ(material_table(white, black, reversed), table) << table_name(table);
        EXPECT_EQ(reversed, 0) << table_name(table);
        bool symmetric = std::memcmp(white, black, sizeof white) == 0;
        EXPECT_EQ(material_table(black, white, reversed), table) << table_name(table);
        EXPECT_EQ(reversed, symmetric ? 0 : 1) << table_name(table) << " with the colours exchanged";
    }
}

TEST(MaterialTable, CombinationsWithoutATable) {
    int32_t reversed = -1;
    const int32_t none[5] = {0, 0, 0, 0, 0};
    EXPECT_EQ(material_table(none, none, reversed), NO_TABLE) << "bare kings";
    const int32_t three_queens[5] = {0, 0, 0, 0, 3};
    EXPECT_EQ(material_table(three_queens, none, reversed), NO_TABLE) << "four pieces against a bare king";
    EXPECT_EQ(material_table(none, three_queens, reversed), NO_TABLE);
    const int32_t rook_and_pawn[5] = {1, 0, 0, 1, 0};
    EXPECT_EQ(material_table(rook_and_pawn, rook_and_pawn, reversed), NO_TABLE) << "six men";
    const int32_t knight[5] = {0, 1, 0, 0, 0};
    EXPECT_EQ(material_table(three_queens, knight, reversed), NO_TABLE) << "six men";
    const int32_t two_pawns[5] = {2, 0, 0, 0, 0};
    EXPECT_EQ(material_table(two_pawns, knight, reversed), 36 + 1);
    EXPECT_EQ(reversed, 0);
}

TEST(NalimovValues, ConvertOntoTheScaleOfMateScores) {
    EXPECT_EQ(nalimov_score(32766), 29998);  // mate in 1
    EXPECT_EQ(nalimov_score(32756), 29978);  // mate in 11
    EXPECT_EQ(nalimov_score(0), 0);
    EXPECT_EQ(nalimov_score(-32766), -29998);  // mated now
    EXPECT_EQ(nalimov_score(-32760), -29986);  // mated after 6 moves
}

TEST(NalimovValues, ComeFromDistancesToMateInPlies) {
    EXPECT_EQ(nalimov_mate_value(1, 1), 32766);
    EXPECT_EQ(nalimov_mate_value(1, 21), 32756);
    EXPECT_EQ(nalimov_mate_value(0, 0), -32766);
    EXPECT_EQ(nalimov_mate_value(0, 12), -32760);
    // A mate in n prints as mate n: (30000 - score) / 2.
    for (int moves = 1; moves < 120; moves++) {
        EXPECT_EQ((30000 - nalimov_score(nalimov_mate_value(1, 2 * moves - 1))) / 2, moves);
    }
}

}  // namespace
