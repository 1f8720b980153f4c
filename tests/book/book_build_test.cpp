// juxtool book build: hand-counted books and warnings of small game files, and broken input.
#include <cstdlib>

#include "book_fixture.h"

namespace {

int juxtool(const std::string& arguments) {
    return std::system((std::string("timeout 20 ") + JUXTOOL_BINARY + " " + arguments).c_str());
}

using BookBuild = BookTest;

// small: counts, and moves played once or losing more than winning stay out; given_lines: a "{book}" line
// counts once as one win and one loss; shared_key: of one key with and without castling, more games win.
TEST_F(BookBuild, GameFilesGiveTheHandCountedBooks) {
    const std::string data = std::string(JUX_SOURCE_DIR) + "/tests/book/data/";
    const struct {
        const char *games, *output, *arguments;
    } runs[] = {
        {"small", "small", "book build jux.book games.pgn missing.pgn"},
        {"small", "small_fixed", "book build --plies 1 --min-games 3 --book-value 80 jux.book games.pgn"},
        {"given_lines", "given_lines", "book build jux.book games.pgn"},
        {"shared_key", "shared_key", "book build jux.book games.pgn"},
    };
    for (const auto& [games, output, arguments] : runs) {
        write_file("games.pgn", read_file(data + games + ".pgn"));
        const int status = juxtool(std::string(arguments) + " >stdout.txt 2>stderr.txt");
        const std::string out = read_file("jux.book") + read_file("stdout.txt") + read_file("stderr.txt");
        juxtool("book probe jux.book >probe.txt");
        EXPECT_EQ(out + "status " + std::to_string(WEXITSTATUS(status)) + "\n" + read_file("probe.txt"),
                  read_file(data + output + ".out"))
            << output;
        std::filesystem::remove("jux.book");
    }
    EXPECT_NE(juxtool("book build --book-value 256 x.book games.pgn 2>/dev/null"), 0);
}

TEST_F(BookBuild, BrokenInputEndsWithAResultAndAWarning) {
    const std::pair<std::string, const char*> rows[] = {
        {"1. e4 } e5 1-0", "game 1 (line 1) skipped: unbalanced '}'"},
        {std::string("1. e4 e5\0 2. Nf3 1-0", 19), "game 1 (line 1) skipped: control byte 0x00"},
        {"1. e4 " + std::string(70000, 'x') + "\n2. d4 1-0",
         "game 1 (line 1) skipped: line longer than 65536 bytes"},
    };
    for (const auto& [input, warning] : rows) {
        write_file("games.pgn", input);
        EXPECT_EQ(juxtool("book build x.book games.pgn >stdout.txt 2>stderr.txt"), 0);
        EXPECT_NE(read_file("stderr.txt").find(std::string("games.pgn: ") + warning), std::string::npos)
            << read_file("stderr.txt");
        EXPECT_EQ(read_file("stdout.txt").rfind("games: ", 0), 0u) << input.substr(0, 20);
    }
}

}  // namespace
