// The book seen through the real engine: book moves come at once without a
// search, positions off the book are searched, and unlimited searches and
// the OwnBook option switch the book off for the rest of the game.
#include <sys/stat.h>

#include <algorithm>
#include <functional>

#include "book_fixture.h"
#include "uci/engine_process.h"

namespace {

using BookUci = BookTest;

TEST_F(BookUci, BookMovesComeWithoutSearchUntilTheBookIsOff) {
    // e2e4 from the start (rank 11) and g1f3 after 1. e4 e5 (rank 23).
    std::string start = token(key_after(""), "L-00083200008000050000200001");
    std::string after_e5 = token(key_after("e2e4 e7e5"), "X-00083200008000050000200001");
    write_file(BOOK_FILE_NAME, key_after("") < key_after("e2e4 e7e5") ? start + after_e5 : after_e5 + start);

    EngineProcess engine;  // started here, in the book's directory
    ASSERT_TRUE(engine.handshake());
    const struct {
        const char* position;
        const char* go;
        const char* book_move;  // nullptr: the engine must search
    } steps[] = {
        {"position startpos", "go depth 3", "bestmove e2e4"},
        // "searchmoves" restricts the book too: without e2e4 there is no book move.
        {"position startpos", "go depth 3 searchmoves a2a3 h2h3", nullptr},
        {"position startpos", "go depth 3 searchmoves d2d4 e2e4", "bestmove e2e4"},
        {"position startpos moves e2e4 e7e5", "go wtime 30000 btime 30000 movestogo 40", "bestmove g1f3"},
        {"position startpos moves e2e4 e7e5 g1f3 b8c6", "go depth 3", nullptr},
        // An unlimited search switches the book off; two plies on is the
        // same game, and the book stays off although the position is in it.
        {"position startpos", "go infinite", nullptr},
        {"position startpos moves e2e4 e7e5", "go depth 2", nullptr},
        {"position startpos", "go depth 2", "bestmove e2e4"},  // a new game opens it again
        {"setoption name OwnBook value false\nposition startpos", "go depth 2", nullptr},
    };
    for (const auto& step : steps) {
        engine.send(step.position);
        engine.send(step.go);
        if (std::string(step.go) == "go infinite") engine.send("stop");
        const std::vector<std::string> lines = engine.read_until_prefix("bestmove");
        ASSERT_FALSE(lines.empty());
        const bool searched = std::any_of(lines.begin(), lines.end(),
                                          [](const std::string& l) { return l.rfind("info depth", 0) == 0; });
        EXPECT_EQ(searched, step.book_move == nullptr) << step.position << " / " << step.go;
        if (step.book_move) {
            EXPECT_EQ(lines.back(), step.book_move) << step.position;
        } else if (std::string(step.go).find("searchmoves") != std::string::npos) {
            EXPECT_TRUE(lines.back().rfind("bestmove a2a3", 0) == 0 ||
                        lines.back().rfind("bestmove h2h3", 0) == 0)
                << lines.back();
        }
    }
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

TEST_F(BookUci, ABookThatIsNoRegularFileIsNoBook) {
    // Reading a FIFO would wait for a writer, a device may never end: the
    // engine must search and keep answering.
    const std::function<void()> kinds[] = {
        [] { ASSERT_EQ(mkfifo(BOOK_FILE_NAME, 0600), 0); },
        [] { std::filesystem::create_directory(BOOK_FILE_NAME); },
        [] { std::filesystem::create_symlink("/dev/zero", BOOK_FILE_NAME); },
    };
    for (const auto& make_book_file : kinds) {
        std::filesystem::remove_all(BOOK_FILE_NAME);
        make_book_file();
        EngineProcess engine;
        ASSERT_TRUE(engine.handshake());
        engine.send("position startpos");
        engine.send("go depth 2");
        const std::vector<std::string> lines = engine.read_until_prefix("bestmove", 10000);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().rfind("bestmove ", 0), 0u) << lines.back();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.rfind("info depth", 0) == 0; }));
        EXPECT_EQ(engine.lines_before_ready(10000), std::vector<std::string>{});
        engine.send("quit");
        EXPECT_EQ(engine.wait_exit(), 0);
    }
}

}  // namespace
