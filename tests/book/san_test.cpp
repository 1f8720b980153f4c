// Reading standard algebraic notation against the current position.
#include "book/san.h"

#include "board/movegen.h"
#include "book_fixture.h"

namespace {

TEST(San, ReadsTheOneLegalMoveTheTextNames) {
    const char* start = START_FEN;
    // Knights on b1 and f3 both reach d2; rooks on a1 and a5 both reach a3.
    const char* twins = "4k3/8/8/R7/8/5N2/8/RN2K3 w - - 0 1";
    // Knights on b1 and e2 both reach c3, but the rook on e8 pins the e2 knight.
    const char* pinned = "4r1k1/8/8/8/8/8/4N3/1N2K3 w - - 0 1";
    const char* pawns = "r2qk3/1P6/8/3pP3/8/2n5/1P6/4K3 w q d6 0 1";
    const char* castles = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    const char* f1_covered = "r3kr2/8/8/8/8/8/8/R3K2R w KQq - 0 1";
    const char* rook_near = "4k3/8/8/8/8/8/3r4/4K3 w - - 0 1";
    const Move nf3 = make_move_code(G1, F3, MOVE_QUIET), e4 = make_move_code(E2, E4, MOVE_DOUBLE_STEP);
    const struct {
        const char* fen;
        const char* text;
        Move expected;  // 0: refused
    } rows[] = {
        {start, "e4", e4},
        {start, "Pe4", e4},
        {start, "Nf3+!?", nf3},
        {start, "Ng1-f3", nf3},
        {twins, "Nd2", 0},  // ambiguous
        {twins, "Nbd2", make_move_code(B1, D2, MOVE_QUIET)},
        {twins, "N3d2", make_move_code(F3, D2, MOVE_QUIET)},
        {twins, "Ra3", 0},
        {twins, "R5a3", make_move_code(A5, A3, MOVE_QUIET)},
        {pinned, "Nc3", make_move_code(B1, C3, MOVE_QUIET)},
        {pinned, "Nec3", 0},
        {pawns, "exd6", make_move_code(E5, D6, MOVE_EN_PASSANT)},
        {pawns, "bxc3", make_move_code(B2, C3, MOVE_CAPTURE)},
        {pawns, "Bxc3", 0},
        {pawns, "b8=Q", make_move_code(B7, B8, MOVE_PROMOTE_QUEEN)},
        {pawns, "b8N", make_move_code(B7, B8, MOVE_PROMOTE_KNIGHT)},
        {pawns, "b8=r", make_move_code(B7, B8, MOVE_PROMOTE_ROOK)},
        {pawns, "bxa8=B+", make_move_code(B7, A8, MOVE_CAPTURE_PROMOTE_BISHOP)},
        {pawns, "b8", 0},  // a promotion must name its piece
        {pawns, "Nb8=Q", 0},
        {castles, "O-O", SHORT_CASTLE_MOVE},
        {castles, "0-0-0", LONG_CASTLE_MOVE},
        {"r3k2r/8/8/8/8/8/8/R3K2R b kq - 0 1", "O-O", SHORT_CASTLE_MOVE},
        {f1_covered, "O-O", 0},
        {f1_covered, "O-O-O", LONG_CASTLE_MOVE},
        {rook_near, "Ke2", 0},  // into check
        {rook_near, "Kxd2", make_move_code(E1, D2, MOVE_CAPTURE)},
    };
    for (const auto& row : rows) {
        book_setup_position(row.fen);
        Move m = 0;
        EXPECT_EQ(find_move_by_san(pos.side_to_move, row.text, m, pos.ep_square) ? m : 0, row.expected)
            << row.fen << " " << row.text;
    }
    book_setup_position(start);
    for (const char* bad : {"e5", "Nf6", "Ke2", "O-O", "", "x", "Zf3", "e9", "Nf3f3f3", "e4=Q", "Nxf3x",
                            "a8aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}) {
        Move m = 0;
        EXPECT_EQ(find_move_by_san(WHITE, bad, m, 0), 0) << bad;
    }
}

}  // namespace
