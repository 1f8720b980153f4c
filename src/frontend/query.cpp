#include "frontend/query.h"

#include <cstdio>
#include <cstring>

#include "board/notation.h"
#include "board/position.h"
#include "core/output.h"
#include "search/hash.h"

namespace {

// The queried position: only what the key needs.
struct QueriedPosition {
    int32_t colour[64];  // 0 white, 1 black, 2 empty
    int32_t piece[64];
    int32_t side_to_move;
};

// FEN piece letters: white first, each colour in piece-code order.
constexpr const char PIECE_LETTERS[] = "PNBRQKpnbrqk";

// Reads the placement (a8 first, along each rank towards h, then down) and
// the side to move; stops at the end of the text. Anything but piece
// letters and digits is skipped, and only the first "w" or "b" after the
// placement is looked for: castling and en passant do not change the key.
void parse_fen(const char* text, QueriedPosition& q) {
    for (int s = 0; s < 64; s++) {
        q.colour[s] = EMPTY;
        q.piece[s] = NO_PIECE;
    }
    q.side_to_move = WHITE;
    const char* p = text;
    for (int n = 0; n < 64 && *p != 0; p++) {
        char c = *p;
        if (c >= '1' && c <= '8') {
            n += c - '0';
        } else if (const char* letter = std::strchr(PIECE_LETTERS, c)) {
            int index = static_cast<int>(letter - PIECE_LETTERS);
            Square s = 56 + n % 8 - 8 * (n / 8);
            q.piece[s] = PAWN + index % 6;
            q.colour[s] = index / 6;
            n++;
        }
    }
    for (; *p != 0; p++) {
        if (*p == 'b' || *p == 'w') {
            q.side_to_move = *p == 'b' ? BLACK : WHITE;
            break;
        }
    }
}

// Bound scores print as centipawns, or as moves to mate beyond the mate bound.
// The tables count a mate from the stored position as if it were the root,
// so the distance is the one a search from the queried position reports.
void format_score(char* out, int size, int32_t score) {
    if (score >= -(MATE_BOUND - 1) && score <= MATE_BOUND - 1)
        std::snprintf(out, static_cast<size_t>(size), "cp %d", score);
    else if (score < 1)
        std::snprintf(out, static_cast<size_t>(size), "mate -%d", (score + MATE_SCORE) / 2);
    else
        std::snprintf(out, static_cast<size_t>(size), "mate %d", (MATE_SCORE - score) / 2);
}

}  // namespace

void query_position(const char* fen_text) {
    QueriedPosition q;
    parse_fen(fen_text, q);

    uint32_t key_low = 0;
    uint32_t key_high = 0;
    for (Square s = 0; s < 64; s++) {
        if (q.colour[s] == EMPTY) continue;
        key_low ^= zobrist_keys[q.colour[s]][q.piece[s]][s].low;
        key_high ^= zobrist_keys[q.colour[s]][q.piece[s]][s].high;
    }

    // Before "uci" there are no tables, and so nothing to tell.
    Move move = 0;
    int32_t upper = MATE_SCORE;
    int32_t lower = -MATE_SCORE;
    if (hash_tables.held) {
        const HashEntry& entry = hash_tables.table[q.side_to_move][key_low % hash_tables.entry_count];
        if (entry.a.key == key_high) {
            move = static_cast<Move>(entry.a.move);
            upper = entry.a.upper;
            lower = entry.a.lower;
        }
        if (entry.b.key == key_high) {
            move = static_cast<Move>(entry.b.move);
            upper = entry.b.upper;
            lower = entry.b.lower;
        }
    }
    if (move == 0) {
        send_line("response position noinformation\n");
        return;
    }

    char reply[128];
    int length =
        std::snprintf(reply, sizeof reply, "response position move %s  ", format_move(move, q.side_to_move));
    char score[32];
    if (lower != -MATE_SCORE) {
        format_score(score, sizeof score, lower);
        std::snprintf(reply + length, sizeof reply - static_cast<size_t>(length),
                      upper == MATE_SCORE ? "score %s lowerbound " : "score %s ", score);
    } else if (upper != MATE_SCORE) {
        format_score(score, sizeof score, upper);
        std::snprintf(reply + length, sizeof reply - static_cast<size_t>(length), "score %s upperbound ",
                      score);
    }
    send_line("%s\n", reply);
}
