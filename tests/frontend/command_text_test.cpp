// Numbers in command lines; the scanned option lines are checked through the
// transcripts.
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
