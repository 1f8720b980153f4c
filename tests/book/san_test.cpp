// Reading standard algebraic notation against the current position.
#include "book/san.h"

#include "book_fixture.h"

namespace {

TEST(San, ReadsTheOneLegalMoveTheTextNames) {
    const char* twins = "4k3/8/8/R7/8/5N2/8/RN2K3 w - - 0 1";    // Nb1 and Nf3 reach d2, Ra1 and Ra5 reach a3
    const char* pinned = "4r1k1/8/8/8/8/8/4N3/1N2K3 w - - 0 1";  // Nb1 and the pinned Ne2 reach c3
    const char* pawns = "r2qk3/1P6/8/3pP3/8/2n5/1P6/4K3 w q d6 0 1";
    const char* castles = "r3kr2/8/8/8/8/8/7r/R3K2R w KQq - 0 1";  // the rooks cover f1 and e2
    const char* rows[][3] = {
        // position, text, the move or "" when none
        {START_FEN, "e4", "e2e4"},  {START_FEN, "Ng1-f3+!?", "g1f3"},
        {START_FEN, "Pe4", "e2e4"}, {START_FEN, "e5", ""},
        {START_FEN, "e4=Q", ""},    {START_FEN, "Nf3f3f3", ""},
        {START_FEN, "", ""},        {twins, "Nd2", ""},
        {twins, "Nbd2", "b1d2"},    {twins, "N3d2", "f3d2"},
        {twins, "Ra3", ""},         {twins, "R5a3", "a5a3"},
        {pinned, "Nc3", "b1c3"},    {pinned, "Nec3", ""},
        {pawns, "exd6", "e5d6"},    {pawns, "bxc3", "b2c3"},
        {pawns, "Bxc3", ""},        {pawns, "b8=Q", "b7b8q"},
        {pawns, "b8N", "b7b8n"},    {pawns, "bxa8=B+", "b7a8b"},
        {pawns, "b8", ""},          {castles, "O-O-O", "e1c1"},
        {castles, "0-0", ""},       {castles, "Ke2", ""},
        {castles, "Rxh2", "h1h2"},  {"r3k2r/8/8/8/8/8/8/R3K2R b kq - 0 1", "0-0", "e8g8"},
    };
    for (const auto& [fen, text, expected] : rows) {
        book_setup_position(fen);
        Move m = 0;
        const bool found = find_move_by_san(pos.side_to_move, text, m, pos.ep_square);
        EXPECT_EQ(found ? format_move(m, pos.side_to_move) : "", std::string(expected)) << fen << " " << text;
    }
}

}  // namespace
