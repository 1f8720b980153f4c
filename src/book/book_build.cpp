// The book builder: games in, sorted book tokens out.
#include "book/book_build.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/position.h"
#include "book/book.h"
#include "book/san.h"

namespace {

uint64_t hash_move_order(const Move* moves, int count) {
    uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (int i = 0; i < count; i++) {
        h ^= moves[i];
        h *= 1099511628211ull;
    }
    return h;
}

struct CountedPly {
    BookPositionId id;
    Move move;
    int rank;
};

// The mover's result: 1 won, 0 drawn, -1 lost.
int mover_result(const std::string& result, int side) {
    if (result == "1/2-1/2") return 0;
    bool white_won = result == "1-0";
    return (side == WHITE) == white_won ? 1 : -1;
}

}  // namespace

void start_book_build(BookBuilder& builder, const BookBuildSettings& settings) {
    builder.settings = settings;
    builder.positions.clear();
    builder.games_used = 0;
    builder.games_unfinished = 0;
    builder.games_malformed = 0;
}

BookGameOutcome add_book_game(BookBuilder& builder, const PgnGame& game, std::string& reason) {
    auto malformed = [&](std::string why) {
        reason = std::move(why);
        builder.games_malformed++;
        return BookGameOutcome::malformed;
    };
    if (!game.error.empty()) return malformed(game.error);

    const std::string* fen = pgn_tag(game, "FEN");
    if (fen) {
        if (!set_position_from_fen(fen->c_str())) return malformed("unusable FEN: " + *fen);
    } else {
        set_position_from_fen(START_FEN);
    }
    std::vector<CountedPly> counted;
    Move order[BOOK_ORDER_SIZE];
    for (size_t ply = 0; ply < game.moves.size(); ply++) {
        if (pos.game_ply >= MOVE_HISTORY_SIZE - 1) break;  // the rest cannot be replayed
        const int side = pos.side_to_move;
        Move move;
        if (!find_move_by_san(side, game.moves[ply].c_str(), move, pos.ep_square)) {
            char where[64];
            std::snprintf(where, sizeof where, " at ply %zu", ply + 1);
            return malformed("illegal or ambiguous move \"" + game.moves[ply] + "\"" + where);
        }
        if (static_cast<int>(ply) < builder.settings.plies) {
            int count = book_move_order(side, pos.ep_square, order);
            int rank = static_cast<int>(std::find(order, order + count, move) - order);
            // Every legal move is in the order; if not, no rank can name it.
            if (rank >= count) return malformed("move \"" + game.moves[ply] + "\" not in the move order");
            counted.push_back({{pos.hash_key_high, side, hash_move_order(order, count)}, move, rank});
        }
        pos.ep_square = make_move(move, side, BOOK_MAKE_PLY);
        pos.side_to_move = side ^ 1;
    }

    std::string result = game.result;
    if (result.empty()) {  // no termination in the moves: trust the tag
        const std::string* tag = pgn_tag(game, "Result");
        if (tag) result = *tag;
    }
    if (result != "1-0" && result != "0-1" && result != "1/2-1/2") {
        builder.games_unfinished++;
        return BookGameOutcome::unfinished;
    }
    for (const CountedPly& c : counted) {
        BookPositionCount& position = builder.positions[c.id];
        position.games++;
        BookMoveCount& m = position.moves[c.move];
        m.rank = c.rank;
        m.played++;
        int r = mover_result(result, c.id.side);
        if (r > 0) m.won++;
        if (r == 0) m.draw++;
        if (r < 0) m.lost++;
    }
    builder.games_used++;
    return BookGameOutcome::used;
}

BookWriteSummary write_book(const BookBuilder& builder, std::ostream& out) {
    BookWriteSummary summary{0, 0, 0};
    const auto& positions = builder.positions;
    for (auto group = positions.begin(); group != positions.end();) {
        // All positions with this key: among those with moves for the book,
        // the one with the most games speaks for the key.
        auto eligible = [&](const BookMoveCount& c) {
            return static_cast<int>(c.played) >= builder.settings.min_games && c.rank <= BOOK_MAX_RANK;
        };
        auto best = positions.end();
        int candidates = 0;
        auto end = group;
        for (; end != positions.end() && end->first.key == group->first.key; ++end) {
            bool any = std::any_of(end->second.moves.begin(), end->second.moves.end(),
                                   [&](const auto& entry) { return eligible(entry.second); });
            if (!any) continue;
            candidates++;
            if (best == positions.end() || end->second.games > best->second.games) best = end;
        }
        group = end;
        if (best == positions.end()) continue;
        summary.shared_keys += candidates - 1;

        const int side = best->first.side;
        std::vector<BookMoveCount> chosen;
        for (const auto& entry : best->second.moves)
            if (eligible(entry.second)) chosen.push_back(entry.second);
        std::sort(chosen.begin(), chosen.end(), [](const BookMoveCount& a, const BookMoveCount& b) {
            return a.played != b.played ? a.played > b.played : a.rank < b.rank;
        });
        if (chosen.size() > BOOK_MAX_RECORDS) chosen.resize(BOOK_MAX_RECORDS);

        const uint32_t most_played = chosen[0].played;

        char text[BOOK_TOKEN_LENGTH + 2];
        std::snprintf(text, sizeof text, "%08X", best->first.key);
        int length = BOOK_KEY_LENGTH;
        for (const BookMoveCount& c : chosen) {
            char letter = static_cast<char>('A' + c.rank);
            uint32_t book_value = builder.settings.book_value == BOOK_VALUE_POPULARITY
                                      ? 100 * c.played / most_played
                                      : static_cast<uint32_t>(builder.settings.book_value);
            BookRecord record{side == WHITE ? letter : BOOK_NO_MOVE_LETTER,
                              side == BLACK ? letter : BOOK_NO_MOVE_LETTER,
                              c.played,
                              book_value,
                              c.played,
                              c.won,
                              c.draw,
                              c.lost};
            format_book_record(record, text + length);
            length += BOOK_RECORD_LENGTH;
        }
        text[length++] = '\n';
        out.write(text, length);
        summary.positions++;
        summary.records += static_cast<int>(chosen.size());
    }
    return summary;
}
