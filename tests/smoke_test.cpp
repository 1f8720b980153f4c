#include <gtest/gtest.h>

#include "board/types.h"

TEST(MoveCode, PacksDestinationOriginAndType) {
    Move m = make_move_code(E2, E4, MOVE_DOUBLE_STEP);
    EXPECT_EQ(move_to(m), E4);
    EXPECT_EQ(move_from(m), E2);
    EXPECT_EQ(move_type(m), MOVE_DOUBLE_STEP);
}
