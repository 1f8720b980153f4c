// Table numbers and names of the material combinations.
#include "egtb/tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

TEST(MaterialTables, NamesFollowTheNumberingAndFindTheirTableInBothColours) {
    const std::pair<int, const char*> known[] = {
        {0, "kk"},     {1, "kpk"},    {5, "kqk"},    {6, "kpkp"},   {7, "knkp"},    {8, "knkn"},
        {9, "kbkp"},   {20, "kqkq"},  {21, "kppk"},  {22, "knpk"},  {23, "knnk"},   {35, "kqqk"},
        {36, "kppkp"}, {37, "kppkn"}, {41, "knpkp"}, {60, "kbnkq"}, {106, "kqqkp"}, {110, "kqqkq"},
    };
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

}  // namespace
