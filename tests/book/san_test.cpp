// Reading standard algebraic notation against the current position.
#include "book/san.h"

#include "board/movegen.h"
#include "book_fixture.h"

namespace {

Move san(const char* text) {
    Move m = 0;
    return find_move_by_san(pos.side_to_move, text, m, pos.ep_square) ? m : 0;
}

TEST(San, PawnAndPieceMovesFromTheStart) {
    book_setup_position(START_FEN);
    EXPECT_EQ(san("e4"), make_move_code(E2, E4, MOVE_DOUBLE_STEP));
    EXPECT_EQ(san("e3"), make_move_code(E2, E3, MOVE_QUIET));
    EXPECT_EQ(san("Nf3"), make_move_code(G1, F3, MOVE_QUIET));
    EXPECT_EQ(san("Nf3+!?"), make_move_code(G1, F3, MOVE_QUIET));
    EXPECT_EQ(san("Ng1f3"), make_move_code(G1, F3, MOVE_QUIET));
    EXPECT_EQ(san("Ng1-f3"), make_move_code(G1, F3, MOVE_QUIET));
    EXPECT_EQ(san("e2e4"), make_move_code(E2, E4, MOVE_DOUBLE_STEP));
    EXPECT_EQ(san("Pe4"), make_move_code(E2, E4, MOVE_DOUBLE_STEP));
    for (const char* bad : {"e5", "Nf6", "Ke2", "Bc4", "O-O", "", "e", "x", "Zf3", "e9", "Nf3f3f3", "e4=Q",
                            "Nxf3x", "a8aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"})
        EXPECT_EQ(san(bad), 0u) << bad;
}

TEST(San, DisambiguationByFileRankAndLegality) {
    // Knights on b1 and f3 both reach d2; rooks on a1 and a5 both reach a3.
    book_setup_position("4k3/8/8/R7/8/5N2/8/RN2K3 w - - 0 1");
    EXPECT_EQ(san("Nd2"), 0u);  // ambiguous
    EXPECT_EQ(san("Nbd2"), make_move_code(B1, D2, MOVE_QUIET));
    EXPECT_EQ(san("Nfd2"), make_move_code(F3, D2, MOVE_QUIET));
    EXPECT_EQ(san("N3d2"), make_move_code(F3, D2, MOVE_QUIET));
    EXPECT_EQ(san("Nf3d2"), make_move_code(F3, D2, MOVE_QUIET));
    EXPECT_EQ(san("Ra3"), 0u);
    EXPECT_EQ(san("R1a3"), make_move_code(A1, A3, MOVE_QUIET));
    EXPECT_EQ(san("R5a3"), make_move_code(A5, A3, MOVE_QUIET));
    EXPECT_EQ(san("Rb3"), 0u);

    // Knights on b1 and e2 both reach c3, but the black rook pins the e2 knight.
    book_setup_position("4r1k1/8/8/8/8/8/4N3/1N2K3 w - - 0 1");
    EXPECT_EQ(san("Nc3"), make_move_code(B1, C3, MOVE_QUIET));
    EXPECT_EQ(san("Nec3"), 0u);
}

TEST(San, CapturesEnPassantAndPromotions) {
    book_setup_position("r2qk3/1P6/8/3pP3/8/2n5/1P6/4K3 w q d6 0 1");
    EXPECT_EQ(san("exd6"), make_move_code(E5, D6, MOVE_EN_PASSANT));
    EXPECT_EQ(san("exd6e.p."), make_move_code(E5, D6, MOVE_EN_PASSANT));
    EXPECT_EQ(san("bxc3"), make_move_code(B2, C3, MOVE_CAPTURE));
    EXPECT_EQ(san("Bxc3"), 0u);
    EXPECT_EQ(san("b8=Q"), make_move_code(B7, B8, MOVE_PROMOTE_QUEEN));
    EXPECT_EQ(san("b8N"), make_move_code(B7, B8, MOVE_PROMOTE_KNIGHT));
    EXPECT_EQ(san("b8=r"), make_move_code(B7, B8, MOVE_PROMOTE_ROOK));
    EXPECT_EQ(san("bxa8=B+"), make_move_code(B7, A8, MOVE_CAPTURE_PROMOTE_BISHOP));
    EXPECT_EQ(san("bxa8=Q#"), make_move_code(B7, A8, MOVE_CAPTURE_PROMOTE_QUEEN));
    EXPECT_EQ(san("b8"), 0u);  // a promotion must name its piece
    EXPECT_EQ(san("b8=K"), 0u);
    EXPECT_EQ(san("b8=P"), 0u);
    EXPECT_EQ(san("Nb8=Q"), 0u);
}

TEST(San, CastlingBothWaysAndOnlyWhenLegal) {
    book_setup_position("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    EXPECT_EQ(san("O-O"), SHORT_CASTLE_MOVE);
    EXPECT_EQ(san("0-0"), SHORT_CASTLE_MOVE);
    EXPECT_EQ(san("O-O-O+"), LONG_CASTLE_MOVE);
    EXPECT_EQ(san("0-0-0"), LONG_CASTLE_MOVE);
    EXPECT_EQ(san("Kg1"), 0u);
    // A black rook on f8 covers f1: no short castling for white.
    book_setup_position("r3kr2/8/8/8/8/8/8/R3K2R w KQq - 0 1");
    EXPECT_EQ(san("O-O"), 0u);
    EXPECT_EQ(san("O-O-O"), LONG_CASTLE_MOVE);
    book_setup_position("r3k2r/8/8/8/8/8/8/R3K2R b kq - 0 1");
    EXPECT_EQ(san("O-O"), SHORT_CASTLE_MOVE);
}

TEST(San, MovesIntoCheckAreRefused) {
    book_setup_position("4k3/8/8/8/8/8/3r4/4K3 w - - 0 1");
    EXPECT_EQ(san("Ke2"), 0u);
    EXPECT_EQ(san("Kxd2"), make_move_code(E1, D2, MOVE_CAPTURE));
    EXPECT_EQ(san("Kf1"), make_move_code(E1, F1, MOVE_QUIET));
}

}  // namespace
