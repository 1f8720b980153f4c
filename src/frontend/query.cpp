#include "frontend/query.h"

#include <cstdio>

#include "board/fen.h"
#include "board/notation.h"
#include "board/position.h"
#include "core/output.h"
#include "search/hash.h"
#include "search/pv.h"

namespace {

// The queried position: only what the key needs.
struct QueriedPosition {
    Placement placement;
    int32_t side_to_move;
};

// Reads the placement and the side to move; only the first "w" or "b" after
// the placement is looked for: castling and en passant do not change the key.
void parse_fen(const char* text, QueriedPosition& q) {
    q.side_to_move = WHITE;
    for (const char* p = read_placement(text, q.placement); *p != 0; p++) {
        if (*p == 'b' || *p == 'w') {
            q.side_to_move = *p == 'b' ? BLACK : WHITE;
            break;
        }
    }
}

}  // namespace

void query_position(const char* fen_text) {
    QueriedPosition q;
    parse_fen(fen_text, q);

    uint32_t key_low = 0;
    uint32_t key_high = 0;
    for (Square s = 0; s < 64; s++) {
        const int colour = q.placement.colour[s], piece = q.placement.piece[s];
        if (colour == EMPTY) continue;
        key_low ^= zobrist_keys[colour][piece][s].low;
        key_high ^= zobrist_keys[colour][piece][s].high;
    }

    // Before "uci" there are no tables, and so nothing to tell.
    Move move = 0;
    int32_t upper = MATE_SCORE;
    int32_t lower = -MATE_SCORE;
    if (hash_tables.held) {
        const HashEntry& entry = hash_entry(q.side_to_move, key_low);
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
