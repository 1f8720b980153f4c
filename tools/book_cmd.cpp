// juxtool book build [OPTIONS] OUT.book PGN...   build a book from games
// juxtool book probe BOOK [FEN]                  list a position's records
// juxtool book walk BOOK [WALKS] [SEED]          how far games stay in the book
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "book/book_build.h"
#include "book/pgn.h"
#include "book/san.h"
#include "commands.h"
#include "core/options.h"
#include "search/random.h"
#include "search/startup.h"

namespace {

int book_usage() {
    std::fprintf(stderr,
                 "usage: juxtool book build [--plies N] [--min-games K] [--book-value V] OUT.book PGN...\n"
                 "       juxtool book probe BOOK [FEN]\n"
                 "       juxtool book walk BOOK [WALKS] [SEED]\n"
                 "  --plies N       count the first N plies of each game (default 24)\n"
                 "  --min-games K   keep moves played at least K times (default 2)\n"
                 "  --book-value V  every record's book rating, 0..255 (default: 100 x the move's games\n"
                 "                  / the games of the position's most played move)\n"
                 "  walk: WALKS games (default 1000) from the start position that play the book's\n"
                 "        move for both sides until it gives none; the mean plies per colour\n");
    return 2;
}

int build_command(int argc, char** argv) {
    BookBuildSettings settings;
    int i = 1;
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
        if (i + 1 >= argc) return book_usage();
        int value = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--plies") && value >= 1) {
            settings.plies = value;
        } else if (!std::strcmp(argv[i], "--min-games") && value >= 1) {
            settings.min_games = value;
        } else if (!std::strcmp(argv[i], "--book-value") && value >= 0 && value <= 255) {
            settings.book_value = value;
        } else {
            return book_usage();
        }
    }
    if (argc - i < 2) return book_usage();
    const char* out_path = argv[i++];

    init_tables();
    BookBuilder builder;
    start_book_build(builder, settings);
    int games_read = 0, unreadable_files = 0;
    for (; i < argc; i++) {
        std::ifstream in(argv[i]);
        if (!in) {
            std::fprintf(stderr, "juxtool book: cannot read %s\n", argv[i]);
            unreadable_files++;
            continue;
        }
        const char* name = argv[i];
        games_read += add_book_pgn(builder, in, [&](const PgnGame& game, const std::string& reason) {
            std::fprintf(stderr, "juxtool book: %s: game %d (line %d) skipped: %s\n", name, game.number,
                         game.line, reason.c_str());
        });
    }

    // Written under a temporary name first, so that a failed build never
    // leaves half a book behind.
    std::string temp_path = std::string(out_path) + ".part";
    std::ofstream out(temp_path, std::ios::binary);
    BookWriteSummary summary = write_book(builder, out);
    out.close();
    if (!out || std::rename(temp_path.c_str(), out_path) != 0) {
        std::fprintf(stderr, "juxtool book: cannot write %s\n", out_path);
        std::remove(temp_path.c_str());
        return 1;
    }
    std::printf("games: %d read, %d used, %d without result, %d malformed\n", games_read, builder.games_used,
                builder.games_unfinished, builder.games_malformed);
    std::printf(
        "book: %d positions, %d moves written to %s (positions left out: %d sharing a key, %d without a "
        "move worth playing)\n",
        summary.positions, summary.records, out_path, summary.shared_keys, summary.no_move);
    return unreadable_files ? 1 : 0;
}

int probe_command(int argc, char** argv) {
    if (argc < 2) return book_usage();
    init_tables();
    if (!set_position_or_report("book", fen_from_words(argc, argv, 2))) return 2;
    std::FILE* file = std::fopen(argv[1], "r");
    if (!file) {
        std::fprintf(stderr, "juxtool book: cannot read %s\n", argv[1]);
        return 1;
    }
    static char token[BOOK_TOKEN_LENGTH + 1];
    const int side = pos.side_to_move;
    int length = seek_book_position(file, pos.hash_key_high, token);
    std::fclose(file);
    const char* mover = side == WHITE ? "white" : "black";
    if (length < 0) {
        std::printf("position %08X, %s to move: not in the book\n", pos.hash_key_high, mover);
        return 0;
    }
    int count = (length - BOOK_KEY_LENGTH) / BOOK_RECORD_LENGTH;
    std::printf("position %08X, %s to move: %d records\n", pos.hash_key_high, mover, count);
    std::printf("move   rank variants book played    won   draw   lost play tplay       weight  share\n");

    BookRecord records[BOOK_MAX_RECORDS];
    double total = 0;
    for (int i = 0; i < count; i++) {
        if (!parse_book_record(token + BOOK_KEY_LENGTH + i * BOOK_RECORD_LENGTH, records[i])) {
            std::printf("record %d is damaged: %.28s\n", i + 1,
                        token + BOOK_KEY_LENGTH + i * BOOK_RECORD_LENGTH);
            return 1;
        }
        total += book_weight(records[i]);
    }
    for (int i = 0; i < count; i++) {
        const BookRecord& r = records[i];
        int rank = book_record_rank(r, side);
        Move move = book_move_at_rank(side, pos.ep_square, rank);
        if (move && !move_is_legal(move, side)) move = 0;  // the probe would refuse the position
        std::printf("%-6s %4d %8u %4u %6u %6u %6u %6u %4d %5d %12.4f %5.1f%%\n",
                    move ? format_move(move, side) : "-", rank, r.variants, r.book_value, r.played, r.won,
                    r.draw, r.lost, book_play_rating(r), book_tplay_rating(r), book_weight(r),
                    total > 0 ? 100 * book_weight(r) / total : 0.0);
    }
    return 0;
}

// Positions, records, and positions whose records can never give a move
// (only poor ones, too few to reach the probe's threshold, or damaged).
void print_book_summary(const char* path) {
    std::FILE* file = std::fopen(path, "r");
    if (!file) return;
    static char token[BOOK_TOKEN_LENGTH + 1];
    int positions = 0, records = 0, silent = 0;
    for (int c = 0; c != EOF;) {
        int length = 0;
        while ((c = std::getc(file)) != EOF && !std::isspace(c))
            if (length < BOOK_TOKEN_LENGTH) token[length++] = static_cast<char>(c);
        if (length < BOOK_KEY_LENGTH) continue;
        positions++;
        int count = (length - BOOK_KEY_LENGTH) / BOOK_RECORD_LENGTH;
        records += count;
        double total = 0;
        bool damaged = false;
        for (int i = 0; i < count; i++) {
            BookRecord r;
            if (!parse_book_record(token + BOOK_KEY_LENGTH + i * BOOK_RECORD_LENGTH, r))
                damaged = true;
            else
                total += book_weight(r);
        }
        if (damaged || total < 0.01) silent++;
    }
    std::fclose(file);
    std::printf("book: %d positions, %d records, %d positions that can never give a move\n", positions,
                records, silent);
}

// Plays the book against itself as the engine would consult it: from the
// start position, the book's move for whichever side is to move, until the
// book gives none.
int walk_command(int argc, char** argv) {
    if (argc < 2) return book_usage();
    const char* path = argv[1];
    const int walks = argc > 2 ? std::atoi(argv[2]) : 1000;
    const uint32_t seed = argc > 3 ? static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10)) : 1;
    if (walks < 1) return book_usage();
    std::FILE* file = std::fopen(path, "r");
    if (!file) {
        std::fprintf(stderr, "juxtool book: cannot read %s\n", path);
        return 1;
    }
    std::fclose(file);
    print_book_summary(path);

    init_tables();
    options.own_book = 1;
    limits.time_mode = TIME_CLOCK_INCREMENT;
    limits.max_depth = 99;
    seed_random(seed);
    // A book may loop (knights out and back); no opening needs more plies.
    constexpr int WALK_PLY_LIMIT = 200;
    int64_t plies[2] = {0, 0};
    int longest = 0;
    for (int w = 0; w < walks; w++) {
        set_position_from_fen(START_FEN);
        book = BookState{1, 0};
        int ply = 0;
        for (; ply < WALK_PLY_LIMIT; ply++) {
            const int side = pos.side_to_move;
            const Move move = probe_book_file(path);
            if (move == 0) break;
            plies[side]++;
            // As the interpreter plays a "moves" list (format_move's buffer is shared).
            char text[sizeof move_text];
            std::snprintf(text, sizeof text, "%s", format_move(move, side));
            enter_game_move(text);
        }
        if (ply > longest) longest = ply;
    }
    std::printf(
        "walks: %d (seed %u), mean plies from the book: white %.2f, black %.2f, both %.2f; longest %d\n",
        walks, seed, double(plies[WHITE]) / walks, double(plies[BLACK]) / walks,
        double(plies[WHITE] + plies[BLACK]) / walks, longest);
    return 0;
}

}  // namespace

int book_command(int argc, char** argv) {
    if (argc >= 2 && !std::strcmp(argv[1], "build")) return build_command(argc - 1, argv + 1);
    if (argc >= 2 && !std::strcmp(argv[1], "probe")) return probe_command(argc - 1, argv + 1);
    if (argc >= 2 && !std::strcmp(argv[1], "walk")) return walk_command(argc - 1, argv + 1);
    return book_usage();
}
