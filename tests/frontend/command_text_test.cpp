#include "frontend/command_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

TEST(ReadDecimal, ReadsLikeTheRuntimeConversionAndHoldsAtTheIntRange) {
    const std::pair<const char*, int32_t> rows[] = {
        {"  \t-17x", -17},
        {"+5 6", 5},
        {"abc", 0},
        {"- 5", 0},
        {"2147483648", INT_MAX},
        {"-99999999999999999999999", INT_MIN},
    };
    for (const auto& [text, value] : rows) EXPECT_EQ(read_decimal(text), value) << text;
}

// The option lines the transcripts do not reach.
TEST(ScanPattern, BlanksMatchAnyWhiteSpaceEvenNoneAndAWordIsCutToItsRoom) {
    const char* hash = "setoption name Hash value %d";
    const struct {
        const char* line;
        const char* pattern;
        bool matched;
        int32_t number;  // -1: nothing stored
        const char* word;
    } rows[] = {
        {"setoptionnameHashvalue5", hash, true, 5, ""},
        {"setoption name hash value 5", hash, false, -1, ""},
        {" setoption name Hash value 5", hash, false, -1, ""},
        {"setoption name Hash value +", hash, false, -1, ""},
        {"setoption name NalimovPath value /a/very/long/path", "setoption name NalimovPath value %s", true,
         -1, "/a/very/lon"},
        {"setoption name NalimovPath value < empty>", "setoption name NalimovPath value <empty>", false, -1,
         ""},
    };
    for (const auto& r : rows) {
        int32_t number = -1;
        char word[12] = "";
        EXPECT_EQ(scan_pattern(r.line, r.pattern, &number, word, sizeof word), r.matched) << r.line;
        EXPECT_EQ(number, r.number) << r.line;
        EXPECT_STREQ(word, r.word) << r.line;
    }
}
