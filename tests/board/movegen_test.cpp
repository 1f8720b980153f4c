// The generator's lists: which moves, their types and their ordering scores.
#include "board/movegen.h"

#include "board/attack.h"
#include "board_fixture.h"
#include "search/ordering.h"

namespace {

MoveEntry list[256];

const MoveEntry* find(int n, Move m) {
    for (int i = 0; i < n - 1; i++)
        if (static_cast<Move>(list[i].move) == m) return &list[i];
    return nullptr;
}

TEST(MoveGeneration, StartPositionHasTwentyMovesAndNoCaptures) {
    setup_position(START_FEN);
    EXPECT_EQ(generate_moves(list, WHITE, 1, 0), 21);
    EXPECT_EQ(list[20].score, LIST_TERMINATOR);
    EXPECT_EQ(generate_moves(list, WHITE, 0, 0), 1);
}

TEST(MoveGeneration, QuietMovesScoreTheirHistoryEntry) {
    setup_position(START_FEN);
    ordering.history_score[(G1 << 6) | F3] = 777;
    int n = generate_moves(list, WHITE, 1, 0);
    EXPECT_EQ(find(n, make_move_code(G1, F3, MOVE_QUIET))->score, 777);
    EXPECT_EQ(find(n, make_move_code(E2, E4, MOVE_DOUBLE_STEP))->score, 0);
    ordering.history_score[(G1 << 6) | F3] = 0;
}

TEST(MoveGeneration, PromotionsComeEvenInCaptureOnlyLists) {
    setup_position("7k/4P3/8/8/8/8/8/4K3 w - - 0 1");
    int n = generate_moves(list, WHITE, 0, 0);
    ASSERT_EQ(n, 5);
    EXPECT_EQ(find(n, make_move_code(E7, E8, MOVE_PROMOTE_QUEEN))->score, 30000010);
    EXPECT_EQ(find(n, make_move_code(E7, E8, MOVE_PROMOTE_KNIGHT))->score, 30000009);
    EXPECT_EQ(find(n, make_move_code(E7, E8, MOVE_PROMOTE_ROOK))->score, 30000008);
    EXPECT_EQ(find(n, make_move_code(E7, E8, MOVE_PROMOTE_BISHOP))->score, 30000007);
}

TEST(MoveGeneration, CaptureScoresFavourBigVictimsAndSmallAttackers) {
    setup_position("4k3/8/8/3q4/4P3/8/8/Q3K3 w - - 0 1");
    int n = generate_moves(list, WHITE, 0, 0);
    EXPECT_EQ(find(n, make_move_code(E4, D5, MOVE_CAPTURE))->score, 30001199);
    setup_position("4k3/8/8/3p4/8/8/8/3QK3 w - - 0 1");
    n = generate_moves(list, WHITE, 0, 0);
    EXPECT_EQ(find(n, make_move_code(D1, D5, MOVE_CAPTURE))->score, 30000085);
    setup_position("1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    n = generate_moves(list, WHITE, 0, 0);
    EXPECT_EQ(find(n, make_move_code(A7, B8, MOVE_CAPTURE_PROMOTE_QUEEN))->score, 30001500);
    EXPECT_EQ(find(n, make_move_code(A7, B8, MOVE_CAPTURE_PROMOTE_KNIGHT))->score, 30000660);
    EXPECT_EQ(find(n, make_move_code(A7, B8, MOVE_CAPTURE_PROMOTE_ROOK))->score, 30000879);
    EXPECT_EQ(find(n, make_move_code(A7, B8, MOVE_CAPTURE_PROMOTE_BISHOP))->score, 30000672);
}

TEST(MoveGeneration, EnPassantCapture) {
    setup_position("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    int n = generate_moves(list, WHITE, 0, pos.ep_square);
    const MoveEntry* ep = find(n, make_move_code(E5, D6, MOVE_EN_PASSANT));
    ASSERT_NE(ep, nullptr);
    EXPECT_EQ(ep->score, 30000089);
}

bool has_move(int side, Move m) {
    int n = generate_moves(list, side, 1, 0);
    return find(n, m) != nullptr;
}

TEST(MoveGeneration, CastlingNeedsEmptyUnattackedSquares) {
    setup_position("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");
    EXPECT_TRUE(has_move(WHITE, SHORT_CASTLE_MOVE));
    EXPECT_TRUE(has_move(WHITE, LONG_CASTLE_MOVE));
    setup_position("4kr2/8/8/8/8/8/8/R3K2R w KQ - 0 1");  // f1 attacked
    EXPECT_FALSE(has_move(WHITE, SHORT_CASTLE_MOVE));
    EXPECT_TRUE(has_move(WHITE, LONG_CASTLE_MOVE));
    setup_position("4r1k1/8/8/8/8/8/8/R3K2R w KQ - 0 1");  // in check
    EXPECT_FALSE(has_move(WHITE, SHORT_CASTLE_MOVE));
    EXPECT_FALSE(has_move(WHITE, LONG_CASTLE_MOVE));
    setup_position("1r2k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");  // only b1 attacked: long castling stays
    EXPECT_TRUE(has_move(WHITE, LONG_CASTLE_MOVE));
    setup_position("4k3/8/8/8/8/8/8/R3K2R w - - 0 1");  // no rights in the text
    EXPECT_FALSE(has_move(WHITE, SHORT_CASTLE_MOVE));
    setup_position("r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1");
    EXPECT_TRUE(has_move(BLACK, SHORT_CASTLE_MOVE));
    EXPECT_TRUE(has_move(BLACK, LONG_CASTLE_MOVE));
}

TEST(AttackTest, EveryKindOfAttacker) {
    setup_position("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_TRUE(is_attacked(D2, WHITE));  // king
    EXPECT_FALSE(is_attacked(D3, WHITE));
    setup_position("4k3/8/8/8/3p4/8/8/4K3 w - - 0 1");
    EXPECT_TRUE(is_attacked(C3, BLACK));  // black pawn captures downwards
    EXPECT_FALSE(is_attacked(C5, BLACK));
    setup_position("4k3/8/8/8/8/8/8/1N2K2B w - - 0 1");
    EXPECT_TRUE(is_attacked(C3, WHITE));   // knight
    EXPECT_TRUE(is_attacked(A8, WHITE));   // bishop along the long diagonal
    EXPECT_FALSE(is_attacked(B2, WHITE));  // next to the knight is not a knight's square
    setup_position("4k3/8/8/8/8/8/6p1/4K2B w - - 0 1");
    EXPECT_FALSE(is_attacked(A8, WHITE));  // blocked on g2
    setup_position("3qk3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_TRUE(is_attacked(D1, BLACK));  // queen on a file
    EXPECT_TRUE(is_attacked(H4, BLACK));  // queen on a diagonal
}

}  // namespace
