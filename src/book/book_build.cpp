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
    bool given;  // part of the opening line the players were given
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
    builder.given_lines.clear();
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
            counted.push_back({{pos.hash_key_high, side, hash_move_order(order, count)},
                               move,
                               rank,
                               static_cast<int>(ply) < game.book_plies});
        }
        pos.ep_square = make_move(move, side, TRIAL_MOVE_PLY);
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
    // The given line: counted by its first game only.
    std::string line = fen ? *fen : "";
    for (int ply = 0; ply < game.book_plies && ply < static_cast<int>(game.moves.size()); ply++)
        line += " " + game.moves[ply];
    const bool line_counted = game.book_plies > 0 && !builder.given_lines.insert(line).second;

    std::set<std::pair<BookPositionId, Move>> seen;  // a position repeated in the game counts once
    for (const CountedPly& c : counted) {
        if ((c.given && line_counted) || !seen.insert({c.id, c.move}).second) continue;
        BookPositionCount& position = builder.positions[c.id];
        BookMoveCount& m = position.moves[c.move];
        m.rank = c.rank;
        if (c.given) {  // an even score: the players did not choose the move
            position.games += 2;
            m.played += 2;
            m.won++;
            m.lost++;
            continue;
        }
        position.games++;
        m.played++;
        int r = mover_result(result, c.id.side);
        if (r > 0) m.won++;
        if (r == 0) m.draw++;
        if (r < 0) m.lost++;
    }
    builder.games_used++;
    return BookGameOutcome::used;
}

namespace {

// The position's token with its line end into text: the moves played at
// least min_games times, the 17 most played. Returns the token's length, 0
// when no move qualifies, or the negative length when the probe would play
// none of the records.
int make_book_token(const BookBuildSettings& settings, const BookPositionId& id,
                    const BookPositionCount& position, char* text) {
    std::vector<BookMoveCount> chosen;
    for (const auto& entry : position.moves)
        if (static_cast<int>(entry.second.played) >= settings.min_games && entry.second.rank <= BOOK_MAX_RANK)
            chosen.push_back(entry.second);
    if (chosen.empty()) return 0;
    std::sort(chosen.begin(), chosen.end(), [](const BookMoveCount& a, const BookMoveCount& b) {
        return a.played != b.played ? a.played > b.played : a.rank < b.rank;
    });
    if (chosen.size() > BOOK_MAX_RECORDS) chosen.resize(BOOK_MAX_RECORDS);

    const uint32_t most_played = chosen[0].played;
    std::snprintf(text, BOOK_KEY_LENGTH + 1, "%08X", id.key);
    int length = BOOK_KEY_LENGTH;
    double total_weight = 0;
    for (const BookMoveCount& c : chosen) {
        const char letter = static_cast<char>('A' + c.rank);
        const uint32_t book_value = settings.book_value == BOOK_VALUE_POPULARITY
                                        ? 100 * c.played / most_played
                                        : static_cast<uint32_t>(settings.book_value);
        const BookRecord record{id.side == WHITE ? letter : BOOK_NO_MOVE_LETTER,
                                id.side == BLACK ? letter : BOOK_NO_MOVE_LETTER,
                                c.played,
                                book_value,
                                c.played,
                                c.won,
                                c.draw,
                                c.lost};
        format_book_record(record, text + length);
        length += BOOK_RECORD_LENGTH;
        total_weight += book_weight(record);
    }
    text[length++] = '\n';
    return total_weight < BOOK_MIN_TOTAL_WEIGHT ? -length : length;
}

}  // namespace

BookWriteSummary write_book(const BookBuilder& builder, std::ostream& out) {
    BookWriteSummary summary{0, 0, 0, 0};
    const auto& positions = builder.positions;
    char text[BOOK_TOKEN_LENGTH + 2], best_text[BOOK_TOKEN_LENGTH + 2];
    for (auto group = positions.begin(); group != positions.end();) {
        // All positions with this key: among those the book can give a move
        // in, the one with the most games speaks for the key.
        uint32_t best_games = 0;
        int best_length = 0, candidates = 0, silent = 0;
        auto end = group;
        for (; end != positions.end() && end->first.key == group->first.key; ++end) {
            const int length = make_book_token(builder.settings, end->first, end->second, text);
            if (length < 0) silent++;
            if (length <= 0) continue;
            candidates++;
            if (best_length == 0 || end->second.games > best_games) {
                best_games = end->second.games;
                best_length = length;
                std::memcpy(best_text, text, static_cast<size_t>(length));
            }
        }
        group = end;
        if (best_length == 0) {
            summary.no_move += silent > 0;
            continue;
        }
        summary.shared_keys += candidates - 1;
        out.write(best_text, best_length);
        summary.positions++;
        summary.records += (best_length - 1 - BOOK_KEY_LENGTH) / BOOK_RECORD_LENGTH;
    }
    return summary;
}
