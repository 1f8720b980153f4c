// Any text as a game file through the PGN and SAN readers into a book, which must be one the probe can read:
// one line per key, keys strictly ascending, each a key and one to seventeen well-formed records.
#include <cstdint>
#include <sstream>
#include <string>

#include "book/book.h"
#include "book/book_build.h"
#include "book/pgn.h"
#include "fuzz_support.h"

namespace {

void check_book_text(const std::string& text) {
    std::istringstream in(text);
    std::string previous_key;
    for (std::string line; std::getline(in, line);) {
        const size_t records = (line.size() - BOOK_KEY_LENGTH) / BOOK_RECORD_LENGTH;
        require(line.size() > BOOK_KEY_LENGTH && (line.size() - BOOK_KEY_LENGTH) % BOOK_RECORD_LENGTH == 0,
                "a book line is not a key and whole records", line);
        require(records <= BOOK_MAX_RECORDS, "a book line holds more records than a probe reads", line);
        BookRecord record;
        for (size_t i = 0; i < records; i++)
            require(parse_book_record(line.c_str() + BOOK_KEY_LENGTH + i * BOOK_RECORD_LENGTH, record),
                    "a written record does not parse", line);
        const std::string key = line.substr(0, BOOK_KEY_LENGTH);
        require(key.find_first_not_of("0123456789ABCDEF") == std::string::npos, "a key is not hexadecimal",
                line);
        // Keys of the same length in capitals: the text order is the number order.
        require(key > previous_key, "keys are not strictly ascending", line);
        previous_key = key;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    start_engine();
    BookBuildSettings settings;
    settings.min_games = 1;  // one game is enough to write records
    BookBuilder builder;
    start_book_build(builder, settings);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    PgnReader reader;
    open_pgn(reader, in);
    PgnGame game;
    std::string reason;
    while (read_pgn_game(reader, game)) add_book_game(builder, game, reason);
    std::ostringstream out;
    write_book(builder, out);
    check_book_text(out.str());
    return 0;
}
