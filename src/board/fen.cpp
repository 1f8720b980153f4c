// Position setup from a FEN text. The text is read leniently (unknown
// characters are skipped, missing fields take defaults), but a placement the
// engine cannot hold is refused before anything changes.
#include "board/fen.h"

#include <cctype>
#include <climits>
#include <initializer_list>

#include "board/attack.h"
#include "board/geometry.h"
#include "board/position.h"

namespace {

const char* refusal = "";

int piece_of_letter(char ch) {
    switch (std::tolower(static_cast<unsigned char>(ch))) {
        case 'p':
            return PAWN;
        case 'n':
            return KNIGHT;
        case 'b':
            return BISHOP;
        case 'r':
            return ROOK;
        case 'q':
            return QUEEN;
        case 'k':
            return KING;
        default:
            return NO_PIECE;
    }
}

}  // namespace

const char* read_placement(const char* text, Placement& p) {
    for (Square s = 0; s < 64; s++) {
        p.piece[s] = NO_PIECE;
        p.colour[s] = EMPTY;
    }
    int n = 0;  // squares described, a8 first, along the rank, then down
    while (n < 64 && *text) {
        char ch = *text++;
        if (ch >= '1' && ch <= '8') {
            n += ch - '0';
        } else if (int piece = piece_of_letter(ch)) {
            Square s = 56 + (n % 8) - 8 * (n / 8);
            p.piece[s] = piece;
            p.colour[s] = std::isupper(static_cast<unsigned char>(ch)) ? WHITE : BLACK;
            n++;
        }
    }
    return text;
}

namespace {

// The piece lists hold one king and at most fifteen other pieces per side,
// and a pawn on its first or last rank could walk off the board.
const char* placement_problem(const Placement& p) {
    int kings[2] = {0, 0}, pieces[2] = {0, 0};
    for (Square s = 0; s < 64; s++) {
        if (p.piece[s] == NO_PIECE) continue;
        pieces[p.colour[s]]++;
        if (p.piece[s] == KING) kings[p.colour[s]]++;
        if (p.piece[s] == PAWN && (rank_of(s) == 0 || rank_of(s) == 7)) return "a pawn stands on a back rank";
    }
    for (int c = 0; c < 2; c++) {
        if (kings[c] != 1)
            return c == WHITE ? "white needs exactly one king" : "black needs exactly one king";
        if (pieces[c] > 16)
            return c == WHITE ? "white has more than 16 pieces" : "black has more than 16 pieces";
    }
    return nullptr;
}

// A decimal integer as the runtime reads one: blanks, a sign, digits.
// Saturates instead of overflowing. Returns false when no digit follows.
bool read_integer(const char*& text, long& value) {
    const char* t = text;
    while (std::isspace(static_cast<unsigned char>(*t))) t++;
    bool negative = false;
    if (*t == '+' || *t == '-') negative = *t++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*t))) return false;
    long v = 0;
    while (std::isdigit(static_cast<unsigned char>(*t))) {
        if (v < 100000000) v = v * 10 + (*t - '0');
        t++;
    }
    value = negative ? -v : v;
    text = t;
    return true;
}

void grant_castling(Square king, Square rook, int colour) {
    if (pos.board_piece[king] == KING && pos.board_colour[king] == colour && pos.board_piece[rook] == ROOK &&
        pos.board_colour[rook] == colour) {
        pos.square_moves[king] = 0;
        pos.square_moves[rook] = 0;
        pos.castle_off[colour] = 0;
    }
}

// The square behind a pawn that has just made a double step: the pawn must be
// there, the square and the one the pawn came from empty. Anything else would
// let a capture remove a piece that is not there.
bool en_passant_square_is_sound(Square ep, int side) {
    if (side == WHITE) {
        return rank_of(ep) == 5 && pos.board_colour[ep] == EMPTY && pos.board_colour[ep + 8] == EMPTY &&
               pos.board_piece[ep - 8] == PAWN && pos.board_colour[ep - 8] == BLACK;
    }
    return rank_of(ep) == 2 && pos.board_colour[ep] == EMPTY && pos.board_colour[ep - 8] == EMPTY &&
           pos.board_piece[ep + 8] == PAWN && pos.board_colour[ep + 8] == WHITE;
}

// The side to move could take the enemy king: no game reaches such a
// position, and a captured king leaves the search and the attack test
// without a square for it.
const char* check_problem() {
    const int mover = pos.side_to_move;
    const Square king = pos.piece_list[mover ^ 1][0];
    if (king_distance[king][pos.piece_list[mover][0]] == 1) return "the kings stand next to each other";
    if (is_attacked(king, mover)) return "the side not to move is in check";
    return nullptr;
}

// Everything after the placement is read on the board itself (castling needs
// the king and rook in place, en passant the pawn that moved).
void set_up(const Placement& placement, const char* text) {
    reset_to_start_position();
    reset_game_record();
    pos.side_to_move = WHITE;
    pos.ep_square = 0;
    pos.last_irreversible_ply = 0;
    rebuild_derived_state();
    clear_board();
    for (Square s = 0; s < 64; s++) {
        pos.board_piece[s] = placement.piece[s];
        pos.board_colour[s] = placement.colour[s];
    }

    while (*text && *text != 'w' && *text != 'b') text++;
    if (!*text) {
        rebuild_derived_state();
        return;
    }
    pos.side_to_move = *text == 'b' ? BLACK : WHITE;
    text++;
    if (*text) text++;  // the blank after the side letter

    for (bool field = true; field && *text;) {
        switch (*text) {
            case 'K':
                grant_castling(E1, H1, WHITE);
                break;
            case 'Q':
                grant_castling(E1, A1, WHITE);
                break;
            case 'k':
                grant_castling(E8, H8, BLACK);
                break;
            case 'q':
                grant_castling(E8, A8, BLACK);
                break;
            case '-':
                for (Square s : {A1, E1, H1, A8, E8, H8}) pos.square_moves[s] = 1;
                field = false;
                break;
            default:
                field = false;
                continue;  // any other character ends the field
        }
        text++;
    }

    while (*text == ' ') text++;
    if (*text == '-') {
        text++;
    } else if (*text >= 'a' && *text <= 'h' && text[1] >= '1' && text[1] <= '8') {
        Square ep = (text[0] - 'a') + 8 * (text[1] - '1');
        if (en_passant_square_is_sound(ep, pos.side_to_move)) pos.ep_square = ep;
        text += 2;
    }

    // The half-move clock counts the reversible plies before the current one,
    // so the last irreversible ply lies that many plies back.
    long half_moves = 0, full_moves = 0;
    bool have_half = read_integer(text, half_moves);
    bool have_full = have_half && read_integer(text, full_moves);
    if (have_full) {
        long ply = 2 * full_moves + pos.side_to_move;
        if (ply < 0) ply = 0;
        if (ply > FEN_GAME_PLY_LIMIT) ply = FEN_GAME_PLY_LIMIT;
        pos.game_ply = static_cast<int32_t>(ply);
    }
    if (have_half) {
        long last = pos.game_ply - (half_moves < 0 ? 0 : half_moves);
        pos.last_irreversible_ply = static_cast<int32_t>(last < 0 ? 0 : last);
    }
    rebuild_derived_state();
}

}  // namespace

FenHooks fen_hooks;

const char* fen_refusal_reason() {
    return refusal;
}

bool set_position_from_fen(const char* text) {
    Placement placement;
    text = read_placement(text, placement);
    if (const char* problem = placement_problem(placement)) {
        refusal = problem;
        return false;
    }
    // Whether the king can be taken shows only on the board that is set up,
    // so the old position is kept until the new one has passed.
    static Position before;
    before = pos;
    set_up(placement, text);
    if (const char* problem = check_problem()) {
        pos = before;
        refusal = problem;
        return false;
    }
    if (fen_hooks.new_position) fen_hooks.new_position();
    refusal = "";
    return true;
}
