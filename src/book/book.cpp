// The opening book: seek the position's token, rate its move records and
// draw one of them at random, weighted by the ratings.
#include "book/book.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/san.h"
#include "core/build_info.h"
#include "core/options.h"
#include "platform/process.h"
#include "search/node.h"
#include "search/random.h"

BookState book;

namespace {

int hex_digit(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The number in width hex digits at text; false on a non-hex character.
bool parse_hex(const char* text, int width, uint32_t& out) {
    uint32_t value = 0;
    for (int i = 0; i < width; i++) {
        int d = hex_digit(static_cast<unsigned char>(text[i]));
        if (d < 0) return false;
        value = value * 16 + static_cast<uint32_t>(d);
    }
    out = value;
    return true;
}

void format_hex(uint32_t value, int width, char* out) {
    uint32_t largest = (1u << (4 * width)) - 1;
    if (value > largest) value = largest;
    for (int i = width - 1; i >= 0; i--) {
        out[i] = "0123456789ABCDEF"[value & 15];
        value >>= 4;
    }
}

bool is_space(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads one white-space separated token, keeping at most BOOK_TOKEN_LENGTH
// characters of it; returns its full length, or -1 at the end of the file.
int read_token(std::FILE* file, char* token) {
    int c;
    do c = std::getc(file);
    while (c != EOF && is_space(c));
    if (c == EOF) return -1;
    int length = 0;
    while (c != EOF && !is_space(c)) {
        if (length < BOOK_TOKEN_LENGTH) token[length] = static_cast<char>(c);
        length++;
        c = std::getc(file);
    }
    token[length < BOOK_TOKEN_LENGTH ? length : BOOK_TOKEN_LENGTH] = 0;
    return length;
}

// Opens the book only when it is a regular file: a FIFO, a device or a
// directory named like the book is no book (opening a FIFO could block, so
// the open does not wait, and the type is checked on what was opened).
std::FILE* open_book_file(const char* path) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "r");
    if (!file) close(fd);
    return file;
}

// The book switches itself off for the rest of the game.
Move switch_book_off() {
    book.book_in_use = 0;
    book.book_miss_count = 1;
    return 0;
}

Move count_miss() {
    book.book_miss_count += 1;
    if (book.book_miss_count >= BOOK_MISS_LIMIT) book.book_in_use = 0;
    return 0;
}

}  // namespace

int seek_book_position(std::FILE* file, uint32_t key, char* token) {
    for (;;) {
        int length = read_token(file, token);
        if (length < 0) return -1;
        uint32_t token_key;
        // A token without a full key cannot be any position's: pass over it.
        if (length < BOOK_KEY_LENGTH || !parse_hex(token, BOOK_KEY_LENGTH, token_key)) continue;
        if (token_key == key) return length < BOOK_TOKEN_LENGTH ? length : BOOK_TOKEN_LENGTH;
        if (token_key > key) return -1;
    }
}

bool parse_book_record(const char* text, BookRecord& out) {
    out.white_letter = text[0];
    out.black_letter = text[1];
    return parse_hex(text + 2, 4, out.variants) && parse_hex(text + 6, 2, out.book_value) &&
           parse_hex(text + 8, 5, out.played) && parse_hex(text + 13, 5, out.won) &&
           parse_hex(text + 18, 5, out.draw) && parse_hex(text + 23, 5, out.lost);
}

void format_book_record(const BookRecord& record, char* out) {
    out[0] = record.white_letter;
    out[1] = record.black_letter;
    format_hex(record.variants, 4, out + 2);
    format_hex(record.book_value, 2, out + 6);
    format_hex(record.played, 5, out + 8);
    format_hex(record.won, 5, out + 13);
    format_hex(record.draw, 5, out + 18);
    format_hex(record.lost, 5, out + 23);
}

int book_record_rank(const BookRecord& record, int side) {
    return (side == WHITE ? record.white_letter : record.black_letter) - 'A';
}

int book_play_rating(const BookRecord& record) {
    // The fields are at most 20 bits wide, so 64 bits hold every product.
    int64_t pct = 50;
    if (record.played != 0)
        pct = (int64_t{record.won} + (int64_t{record.draw} + 1) / 2) * 100 / int64_t{record.played};
    return static_cast<int>((5 * pct + record.book_value) / 6);
}

int book_tplay_rating(const BookRecord& record) {
    return (3 * book_play_rating(record) + static_cast<int>(record.book_value)) / 4;
}

double book_weight(const BookRecord& record) {
    // A move that never won, or lost more often than it won, is kept only as
    // a last resort.
    if (record.won == 0 || record.won < record.lost) return 0.001;
    return std::trunc(std::sqrt(static_cast<double>(record.variants)) + 1) *
           std::exp(0.1 * book_tplay_rating(record));
}

int book_move_order(int side, int ep_square, Move* out) {
    MoveEntry* list = search.move_buffer;
    const int generated = generate_moves(list, side, ALL_MOVES, ep_square) - 1;
    struct Keyed {
        uint64_t text;  // the coordinate text packed, first letter highest
        Move move;
    };
    constexpr int KEYED_SIZE = 512;  // more than any position's pseudo-legal moves
    Keyed keyed[KEYED_SIZE];
    int count = 0;
    for (int i = 0; i < generated && count < KEYED_SIZE; i++) {
        const Move move = static_cast<Move>(list[i].move);
        // Four or five letters; a four-letter text ends in its terminator.
        const char* text = format_move(move, side);
        uint64_t packed = 0;
        for (int c = 0; c < 5; c++) packed = packed << 8 | static_cast<unsigned char>(text[c]);
        keyed[count++] = {packed, move};
    }
    std::sort(keyed, keyed + count, [](const Keyed& a, const Keyed& b) { return a.text < b.text; });
    if (count > BOOK_ORDER_SIZE) count = BOOK_ORDER_SIZE;
    for (int i = 0; i < count; i++) out[i] = keyed[i].move;
    return count;
}

Move book_move_at_rank(int side, int ep_square, int rank) {
    Move order[BOOK_ORDER_SIZE];
    const int count = book_move_order(side, ep_square, order);
    return rank >= 0 && rank < count ? order[rank] : 0;
}

bool book_move_allowed(Move move, int side) {
    const char* p = limits.search_moves_text;
    if (*p == 0) return true;
    const char* text = format_move(move, side);
    const size_t length = std::strlen(text);
    while (*p) {
        while (*p == ' ' || *p == '\t') p++;
        const char* word = p;
        while (*p && *p != ' ' && *p != '\t') p++;
        if (static_cast<size_t>(p - word) == length && std::strncmp(word, text, length) == 0) return true;
    }
    return false;
}

const char* installed_book_path() {
    static char path[PATH_MAX + 64];
    static bool known = false;
    if (known) return path;
    known = true;
    char own[PATH_MAX];
    if (!own_executable_path(own, sizeof own)) return path;
    char* slash = std::strrchr(own, '/');
    if (slash == nullptr) return path;
    slash[1] = 0;
    if (std::snprintf(path, sizeof path, "%s%s", own, BOOK_FROM_PROGRAM_DIR) >= static_cast<int>(sizeof path))
        path[0] = 0;
    return path;
}

Move probe_book() {
    // Anything named jux.book here is the book, even when it is none (a
    // FIFO, a directory): a GUI starts us elsewhere, and there the book
    // installed with the engine serves.
    struct stat info;
    if (lstat(BOOK_FILE_NAME, &info) == 0 || errno != ENOENT) return probe_book_file(BOOK_FILE_NAME);
    const char* installed = installed_book_path();
    return probe_book_file(installed[0] ? installed : BOOK_FILE_NAME);
}

Move probe_book_file(const char* path) {
    if (!options.own_book || (limits.time_mode == TIME_FIXED && limits.max_depth >= DEEPEST_ITERATION))
        return switch_book_off();
    std::FILE* file = open_book_file(path);
    if (!file) return switch_book_off();

    static char token[BOOK_TOKEN_LENGTH + 1];
    int length = seek_book_position(file, pos.hash_key_high, token);
    std::fclose(file);
    int count = length < 0 ? 0 : (length - BOOK_KEY_LENGTH) / BOOK_RECORD_LENGTH;
    if (count <= 0) return count_miss();

    const int side = pos.side_to_move;
    Move order[BOOK_ORDER_SIZE];
    const int order_count = book_move_order(side, pos.ep_square, order);
    // The records a "searchmoves" list leaves to choose from.
    Move moves[BOOK_MAX_RECORDS];
    double running_weight[BOOK_MAX_RECORDS];
    int choices = 0;
    double total = 0;
    for (int i = 0; i < count; i++) {
        BookRecord record;
        // A damaged record is as useless as a move that does not exist here.
        if (!parse_book_record(token + BOOK_KEY_LENGTH + i * BOOK_RECORD_LENGTH, record)) return count_miss();
        // A rank beyond the list, or a move that leaves the king in check (a
        // pinned piece, another position sharing the key): the book does not
        // know this position.
        const int rank = book_record_rank(record, side);
        if (rank < 0 || rank >= order_count || !move_is_legal(order[rank], side)) return count_miss();
        if (!book_move_allowed(order[rank], side)) continue;
        moves[choices] = order[rank];
        total += book_weight(record);
        running_weight[choices++] = total;
    }
    book.book_miss_count = 0;

    int chosen = 0;
    if (choices > 1) {
        double target = next_random() * total * (1.0 / 32767);
        for (int i = 0; i < choices; i++)
            if (running_weight[i] >= target) {
                chosen = i;
                break;
            }
    }
    // Only poor moves (fewer than ten of them, each 0.001), or none the
    // search may play: nothing worth playing.
    if (total < BOOK_MIN_TOTAL_WEIGHT) return count_miss();
    return moves[chosen];
}
