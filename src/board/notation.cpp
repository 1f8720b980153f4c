// Coordinate move text (e2e4, e7e8q, castling as the king's move) and the
// lookup of a text among the generated moves.
#include "board/notation.h"

#include <cstring>

#include "board/attack.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"

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
    MoveEntry list[MAX_MOVES];
    int n = generate_moves(list, side, ALL_MOVES, ep_square);
    for (int i = 0; i < n - 1; i++) {
        Move m = static_cast<Move>(list[i].move);
        if (std::strcmp(format_move(m, side), text) == 0) {
            out_move = m;
            return 1;
        }
    }
    return 0;
}

// The candidates are pseudo-legal; a move that leaves the king attacked is
// taken back, since the search and perft rely on the king never being
// capturable.
GameMoveResult play_game_move(const char* text) {
    const int side = pos.side_to_move;
    Move move = 0;
    if (!find_move_by_text(side, text, move, pos.ep_square)) return GAME_MOVE_UNKNOWN;
    const SavedState saved = save_state();
    const int ep_square = make_move(move, side, TRIAL_MOVE_PLY);
    if (is_attacked(pos.piece_list[side][0], side ^ 1)) {
        unmake_move(move, side);
        restore_state(saved);
        return GAME_MOVE_SELF_IN_CHECK;
    }
    pos.ep_square = ep_square;
    pos.side_to_move = side ^ 1;
    return GAME_MOVE_PLAYED;
}

int enter_game_move(const char* text) {
    play_game_move(text);
    return pos.side_to_move;
}
