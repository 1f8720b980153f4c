// The book that ships with the engine: sorted, of whole records, and read by
// this engine. A book position gives the same legal moves whether a game
// reached it by moves or a front end set it up by FEN. A change of the key
// table or of the move order fails here: rebuild the book then.
#include <map>
#include <random>
#include <set>
#include <vector>

#include "book/san.h"
#include "book_fixture.h"

namespace {

const std::string BOOK_PATH = std::string(JUX_SOURCE_DIR) + "/" + BOOK_FILE_NAME;

std::map<uint32_t, std::string> load_book() {
    std::map<uint32_t, std::string> tokens;
    std::ifstream in(BOOK_PATH);
    for (std::string token; in >> token;)
        tokens[std::stoul(token.substr(0, BOOK_KEY_LENGTH), nullptr, 16)] = token;
    return tokens;
}

// The moves the current position's records name, in record order; a record
// whose rank names no move or an illegal one shows as "-".
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

// The FEN of the current position (the clocks do not matter to the book).
std::string fen_of_position() {
    std::string fen;
    for (int rank = 7; rank >= 0; rank--) {
        int empty = 0;
        for (int file = 0; file < 8; file++) {
            const Square s = rank * 8 + file;
            if (pos.board_colour[s] == EMPTY) {
                empty++;
                continue;
            }
            if (empty) fen += char('0' + empty);
            empty = 0;
            const char letter = " PNBRQK"[pos.board_piece[s]];
            fen += pos.board_colour[s] == WHITE ? letter : char(letter - 'A' + 'a');
        }
        if (empty) fen += char('0' + empty);
        if (rank) fen += '/';
    }
    fen += pos.side_to_move == WHITE ? " w " : " b ";
    const struct {
        char letter;
        Square king, rook;
        int colour;
    } rights[] = {{'K', E1, H1, WHITE}, {'Q', E1, A1, WHITE}, {'k', E8, H8, BLACK}, {'q', E8, A8, BLACK}};
    std::string castling;
    for (const auto& r : rights)
        if (pos.board_piece[r.king] == KING && pos.board_colour[r.king] == r.colour &&
            pos.board_piece[r.rook] == ROOK && pos.board_colour[r.rook] == r.colour &&
            pos.square_moves[r.king] == 0 && pos.square_moves[r.rook] == 0)
            castling += r.letter;
    fen += castling.empty() ? "-" : castling;
    fen += " ";
    fen += pos.ep_square ? std::string{char('a' + file_of(pos.ep_square)), char('1' + rank_of(pos.ep_square))}
                         : "-";
    return fen + " 0 1";
}

TEST(DefaultBook, IsSortedAndOfWholeRecords) {
    std::ifstream in(BOOK_PATH);
    ASSERT_TRUE(in) << BOOK_PATH;
    int64_t previous = -1;
    int tokens = 0;
    for (std::string token; in >> token; tokens++) {
        ASSERT_GE(token.size(), size_t(BOOK_KEY_LENGTH + BOOK_RECORD_LENGTH)) << token;
        ASSERT_LE(token.size(), size_t(BOOK_TOKEN_LENGTH)) << token;
        ASSERT_EQ((token.size() - BOOK_KEY_LENGTH) % BOOK_RECORD_LENGTH, 0u) << token;
        const int64_t key = std::stoll(token.substr(0, BOOK_KEY_LENGTH), nullptr, 16);
        ASSERT_GT(key, previous) << "not sorted at " << token;
        previous = key;
    }
    EXPECT_GT(tokens, 1000);
}

TEST(DefaultBook, PositionsGiveTheSameLegalMovesReachedByMovesAndSetUpByFen) {
    const std::map<uint32_t, std::string> tokens = load_book();
    // Lines of book moves: all of the first four plies, and random walks to
    // the end of the book, where captures have shuffled the piece lists.
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
    // A wrong key table or move order would lead off the book at once.
    EXPECT_GT(in_book, 1000);
}

}  // namespace
