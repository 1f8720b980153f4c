// Reading standard algebraic notation: the text is split into piece, origin
// hints, destination and promotion, and matched against the legal moves.
#include "book/san.h"

#include <cstring>

#include "board/attack.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"
#include "search/node.h"

namespace {

int piece_of_letter(char c) {
    switch (c) {
        case 'P':
            return PAWN;
        case 'N':
            return KNIGHT;
        case 'B':
            return BISHOP;
        case 'R':
            return ROOK;
        case 'Q':
            return QUEEN;
        case 'K':
            return KING;
        default:
            return NO_PIECE;
    }
}

// The piece a promotion move makes, NO_PIECE for other moves.
int promoted_piece(Move move) {
    int type = move_type(move);
    if (type < MOVE_PROMOTE_QUEEN || type > MOVE_CAPTURE_PROMOTE_ROOK) return NO_PIECE;
    static const int piece[4] = {QUEEN, KNIGHT, BISHOP, ROOK};
    return piece[(type - MOVE_PROMOTE_QUEEN) & 3];
}

bool is_file(char c) {
    return c >= 'a' && c <= 'h';
}
bool is_rank(char c) {
    return c >= '1' && c <= '8';
}

struct SanParts {
    Move castle;  // SHORT_CASTLE_MOVE or LONG_CASTLE_MOVE, 0 for other moves
    int piece;
    int from_file;  // -1 when not given
    int from_rank;
    Square to;
    int promotion;  // NO_PIECE when none
};

bool parse_san(const char* text, SanParts& parts) {
    char san[32];
    size_t length = std::strlen(text);
    if (length == 0 || length >= sizeof san) return false;
    std::memcpy(san, text, length + 1);
    // Check, mate and annotation marks say nothing about the move itself.
    for (;;) {
        if (length > 0 && std::strchr("+#!?", san[length - 1])) {
            san[--length] = 0;
        } else if (length > 4 && std::strcmp(san + length - 4, "e.p.") == 0) {
            length -= 4;
            san[length] = 0;
        } else {
            break;
        }
    }
    parts = SanParts{0, PAWN, -1, -1, 0, NO_PIECE};
    if (!std::strcmp(san, "O-O") || !std::strcmp(san, "0-0")) {
        parts.castle = SHORT_CASTLE_MOVE;
        return true;
    }
    if (!std::strcmp(san, "O-O-O") || !std::strcmp(san, "0-0-0")) {
        parts.castle = LONG_CASTLE_MOVE;
        return true;
    }

    size_t begin = 0;
    if (length > 0 && piece_of_letter(san[0]) != NO_PIECE) {
        parts.piece = piece_of_letter(san[0]);
        begin = 1;
    }
    // A promotion letter follows the destination, with or without "=".
    if ((length >= 3 && is_rank(san[length - 2])) || (length >= 4 && san[length - 2] == '=')) {
        char c = san[length - 1];
        int promotion = piece_of_letter(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
        if (promotion == NO_PIECE || promotion == PAWN || promotion == KING) return false;
        parts.promotion = promotion;
        length--;
        if (san[length - 1] == '=') length--;
    }
    if (length < begin + 2 || !is_file(san[length - 2]) || !is_rank(san[length - 1])) return false;
    parts.to = (san[length - 2] - 'a') + 8 * (san[length - 1] - '1');
    // Between the piece and the destination: origin file and rank, capture
    // and separator marks.
    for (size_t i = begin; i < length - 2; i++) {
        char c = san[i];
        if (is_file(c) && parts.from_file < 0) {
            parts.from_file = c - 'a';
        } else if (is_rank(c) && parts.from_rank < 0) {
            parts.from_rank = c - '1';
        } else if (c != 'x' && c != ':' && c != '-') {
            return false;
        }
    }
    if (parts.promotion != NO_PIECE && parts.piece != PAWN) return false;
    return true;
}

}  // namespace

int move_is_legal(Move move, int side) {
    SavedState saved = save_state();
    make_move(move, side, TRIAL_MOVE_PLY);
    int legal = !is_attacked(pos.piece_list[side][0], side ^ 1);
    unmake_move(move, side);
    restore_state(saved);
    return legal;
}

int find_move_by_san(int side, const char* text, Move& out_move, int ep_square) {
    SanParts parts;
    if (!parse_san(text, parts)) return 0;
    // The root list has room for any set-up a FEN tag may describe.
    MoveEntry* list = search.move_buffer;
    int n = generate_moves(list, side, ALL_MOVES, ep_square);
    int found = 0;
    Move match = 0;
    for (int i = 0; i < n - 1; i++) {
        Move m = static_cast<Move>(list[i].move);
        int type = move_type(m);
        if (parts.castle) {
            if (m != parts.castle) continue;
        } else {
            if (type == MOVE_SHORT_CASTLE || type == MOVE_LONG_CASTLE) continue;
            Square from = move_from(m);
            if (move_to(m) != parts.to || pos.board_piece[from] != parts.piece) continue;
            if (parts.from_file >= 0 && file_of(from) != parts.from_file) continue;
            if (parts.from_rank >= 0 && rank_of(from) != parts.from_rank) continue;
            if (promoted_piece(m) != parts.promotion) continue;
        }
        if (!move_is_legal(m, side)) continue;
        match = m;
        found++;
    }
    if (found != 1) return 0;
    out_move = match;
    return 1;
}
