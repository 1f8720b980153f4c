#include "frontend/command_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

TEST(ReadDecimal, ReadsLikeTheRuntimeConversion) {
    EXPECT_EQ(read_decimal("42"), 42);
    EXPECT_EQ(read_decimal("  \t-17x"), -17);
    EXPECT_EQ(read_decimal("+5 6"), 5);
    EXPECT_EQ(read_decimal("007"), 7);
    EXPECT_EQ(read_decimal("abc"), 0);
    EXPECT_EQ(read_decimal(""), 0);
    EXPECT_EQ(read_decimal("- 5"), 0);
    EXPECT_EQ(read_decimal("2147483647"), INT_MAX);
    EXPECT_EQ(read_decimal("-2147483648"), INT_MIN);
    EXPECT_EQ(read_decimal("2147483648"), INT_MAX);
    EXPECT_EQ(read_decimal("-99999999999999999999999"), INT_MIN);
}

TEST(ScanPattern, BlanksMatchAnyRunOfWhiteSpaceIncludingNone) {
    int32_t n = -1;
    EXPECT_TRUE(scan_pattern("setoption name Hash value 32", "setoption name Hash value %d", &n));
    EXPECT_EQ(n, 32);
    EXPECT_TRUE(
        scan_pattern("setoption   name\tHash value   -8 and more", "setoption name Hash value %d", &n));
    EXPECT_EQ(n, -8);
    EXPECT_TRUE(scan_pattern("setoptionnameHashvalue5", "setoption name Hash value %d", &n));
    EXPECT_EQ(n, 5);
    n = -1;
    EXPECT_FALSE(scan_pattern("setoption name hash value 5", "setoption name Hash value %d", &n));
    EXPECT_FALSE(scan_pattern("setoption name Hash value", "setoption name Hash value %d", &n));
    EXPECT_FALSE(scan_pattern("setoption name Hash value +", "setoption name Hash value %d", &n));
    EXPECT_FALSE(scan_pattern(" setoption name Hash value 5", "setoption name Hash value %d", &n));
    EXPECT_EQ(n, -1) << "a failed scan stores nothing";
    EXPECT_TRUE(scan_pattern("setoption name Hash value 99999999999", "setoption name Hash value %d", &n));
    EXPECT_EQ(n, INT_MAX);
}

TEST(ScanPattern, WordsEndAtWhiteSpaceAndAreCutToTheirRoom) {
    char word[12];
    EXPECT_TRUE(scan_pattern("setoption name NalimovPath value C:\\Program Files\\TB",
                             "setoption name NalimovPath value %s", nullptr, word, sizeof word));
    EXPECT_EQ(std::string(word), "C:\\Program");
    EXPECT_TRUE(scan_pattern("setoption name NalimovPath value /a/very/long/path",
                             "setoption name NalimovPath value %s", nullptr, word, sizeof word));
    EXPECT_EQ(std::string(word), "/a/very/lon");
    EXPECT_FALSE(scan_pattern("setoption name NalimovPath value   ", "setoption name NalimovPath value %s",
                              nullptr, word, sizeof word));
}

TEST(ScanPattern, LiteralPatternsMatchTheirTextOnly) {
    const char* pattern = "setoption name NalimovPath value <empty>";
    EXPECT_TRUE(scan_pattern("setoption name NalimovPath value <empty>", pattern));
    EXPECT_TRUE(scan_pattern("setoption name NalimovPath value   <empty>/more", pattern));
    EXPECT_FALSE(scan_pattern("setoption name NalimovPath value <emp", pattern));
    EXPECT_FALSE(scan_pattern("setoption name NalimovPath value < empty>", pattern));
}

TEST(BeginsWith, ComparesThePrefixOnly) {
    EXPECT_TRUE(begins_with("isready now", "isready"));
    EXPECT_TRUE(begins_with("go", "go"));
    EXPECT_FALSE(begins_with("g", "go"));
    EXPECT_FALSE(begins_with(" go", "go"));
}
