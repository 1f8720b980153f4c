// The shipped book, by moves or by FEN alike; a new key table or move order fails here: rebuild the book.
#include <map>
#include <random>
#include <set>
#include <vector>

#include "book/san.h"
#include "book_fixture.h"

namespace {

const std::string BOOK_PATH = std::string(JUX_SOURCE_DIR) + "/" + BOOK_FILE_NAME;

// The moves the current position's records name, in record order; "-" for a rank that names no legal move.
std::vector<std::string> book_moves_here(const std::map<uint32_t, std::string>& tokens) {
    std::vector<std::string> moves;
    const auto found = tokens.find(pos.hash_key_high);
    if (found == tokens.end()) return moves;
    const std::string& token = found->second;
    const int side = pos.side_to_move;
    for (size_t i = BOOK_KEY_LENGTH; i + BOOK_RECORD_LENGTH <= token.size(); i += BOOK_RECORD_LENGTH) {
        BookRecord r;
        EXPECT_TRUE(parse_book_record(token.c_str() + i, r)) << token;
        const Move move = book_move_at_rank(side, pos.ep_square, book_record_rank(r, side));
        moves.push_back(move && move_is_legal(move, side) ? format_move(move, side) : "-");
    }
    return moves;
}

// The FEN of the current position, one digit per empty square; the clocks do not matter to the book.
std::string fen_of_position() {
    std::string fen;
    for (int rank = 7; rank >= 0; rank--) {
        for (Square s = rank * 8; s < rank * 8 + 8; s++) {
            const char letter = " PNBRQK"[pos.board_piece[s]];
            fen += pos.board_colour[s] == EMPTY   ? '1'
                   : pos.board_colour[s] == WHITE ? letter
                                                  : char(letter + 32);
        }
        fen += rank ? "/" : pos.side_to_move == WHITE ? " w " : " b ";
    }
    const struct {
        char letter;
        Square king, rook;
        int colour;
    } rights[] = {{'K', E1, H1, WHITE}, {'Q', E1, A1, WHITE}, {'k', E8, H8, BLACK}, {'q', E8, A8, BLACK}};
    std::string castling;
    for (const auto& r : rights)
        if (pos.board_piece[r.king] == KING && pos.board_piece[r.rook] == ROOK &&
            pos.board_colour[r.king] == r.colour && pos.board_colour[r.rook] == r.colour &&
            pos.square_moves[r.king] == 0 && pos.square_moves[r.rook] == 0)
            castling += r.letter;
    const std::string ep = {char('a' + file_of(pos.ep_square)), char('1' + rank_of(pos.ep_square))};
    return fen + (castling.empty() ? "-" : castling) + " " + (pos.ep_square ? ep : "-") + " 0 1";
}

TEST(DefaultBook, IsSortedOfWholeRecordsAndTheSameReachedByMovesOrSetUpByFen) {
    std::map<uint32_t, std::string> tokens;
    std::ifstream in(BOOK_PATH);
    int64_t previous = -1;
    for (std::string token; in >> token;) {
        ASSERT_GE(token.size(), size_t(BOOK_KEY_LENGTH + BOOK_RECORD_LENGTH)) << token;
        ASSERT_LE(token.size(), size_t(BOOK_TOKEN_LENGTH)) << token;
        ASSERT_EQ((token.size() - BOOK_KEY_LENGTH) % BOOK_RECORD_LENGTH, 0u) << token;
        const int64_t key = std::stoll(token.substr(0, BOOK_KEY_LENGTH), nullptr, 16);
        ASSERT_GT(key, previous) << "not sorted at " << token;
        previous = key;
        tokens[uint32_t(key)] = token;
    }
    ASSERT_GT(tokens.size(), 1000u) << BOOK_PATH;
    // All lines of four plies, and random walks to the book's end, where captures shuffle the piece lists.
    std::set<std::string> lines;
    std::vector<std::string> open = {""};
    while (!open.empty()) {
        const std::string line = open.back();
        open.pop_back();
        lines.insert(line);
        book_setup_position(START_FEN, line.c_str());
        if (pos.game_ply >= 4) continue;
        for (const std::string& move : book_moves_here(tokens))
            if (move != "-") open.push_back(line + " " + move);
    }
    std::mt19937 random(7);
    for (int walk = 0; walk < 300; walk++) {
        std::string line;
        for (int ply = 0; ply < 60; ply++) {
            book_setup_position(START_FEN, line.c_str());
            const std::vector<std::string> moves = book_moves_here(tokens);
            if (moves.empty() || moves[0] == "-") break;
            line += " " + moves[random() % moves.size()];
            lines.insert(line);
        }
    }
    int in_book = 0;
    for (const std::string& line : lines) {
        book_setup_position(START_FEN, line.c_str());
        const uint32_t key = pos.hash_key_high;
        const std::vector<std::string> by_moves = book_moves_here(tokens);
        const std::string fen = fen_of_position();
        book_setup_position(fen.c_str());
        ASSERT_EQ(pos.hash_key_high, key) << fen;
        EXPECT_EQ(book_moves_here(tokens), by_moves) << fen << " reached by" << line;
        for (const std::string& move : by_moves) EXPECT_NE(move, "-") << fen << " reached by" << line;
        in_book += !by_moves.empty();
    }
    EXPECT_GT(in_book, 1000);  // a wrong key table or move order leads off the book at once
}

}  // namespace
