// Coordinate move text (e2e4, e7e8q, castling as the king's move) and the
// lookup of a text among the generated moves.
#include "board/notation.h"

#include <cstring>

#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"
#include "search/node.h"
#include "search/ordering.h"

char move_text[6];

const char* format_move(Move move, int side) {
    if (move == SHORT_CASTLE_MOVE) {
        std::memcpy(move_text, side == WHITE ? "e1g1" : "e8g8", 5);
        return move_text;
    }
    if (move == LONG_CASTLE_MOVE) {
        std::memcpy(move_text, side == WHITE ? "e1c1" : "e8c8", 5);
        return move_text;
    }
    Square from = move_from(move), to = move_to(move);
    move_text[0] = static_cast<char>('a' + file_of(from));
    move_text[1] = static_cast<char>('1' + rank_of(from));
    move_text[2] = static_cast<char>('a' + file_of(to));
    move_text[3] = static_cast<char>('1' + rank_of(to));
    int type = move_type(move);
    if (type >= MOVE_PROMOTE_QUEEN && type <= MOVE_CAPTURE_PROMOTE_ROOK) {
        static const char letter[4] = {'q', 'n', 'b', 'r'};
        move_text[4] = letter[(type - MOVE_PROMOTE_QUEEN) & 3];
        move_text[5] = 0;
    } else {
        move_text[4] = 0;
    }
    return move_text;
}

// Every generated move has its own text, so the first equal one is the only
// one; the list is scanned as generated.
int find_move_by_text(int side, const char* text, Move& out_move, int ep_square) {
    ordering.picker_stage[5] = 0;
    ordering.hash_move[5] = 0;
    MoveEntry* list = search.move_buffer;
    int n = generate_moves(list, side, 1, ep_square);
    for (int i = 0; i < n - 1; i++) {
        Move m = static_cast<Move>(list[i].move);
        if (std::strcmp(format_move(m, side), text) == 0) {
            out_move = m;
            return 1;
        }
    }
    return 0;
}

int enter_game_move(const char* text) {
    Move move;
    if (!find_move_by_text(pos.side_to_move, text, move, pos.ep_square)) return pos.side_to_move;
    pos.ep_square = make_move(move, pos.side_to_move, 5);
    pos.side_to_move = 1 - pos.side_to_move;
    return pos.side_to_move;
}
