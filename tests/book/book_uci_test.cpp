// The book seen through the real engine: book moves come at once without a
// search, positions off the book are searched, and unlimited searches and
// the OwnBook option switch the book off for the rest of the game.
#include <algorithm>

#include "book_fixture.h"
#include "uci/engine_process.h"

namespace {

using BookUci = BookTest;

TEST_F(BookUci, BookMovesComeWithoutSearchUntilTheBookIsOff) {
    // e2e4 from the start (rank 13) and g1f3 after 1. e4 e5 (rank 14).
    std::string start = token(key_after(""), "N-00083200008000050000200001");
    std::string after_e5 = token(key_after("e2e4 e7e5"), "O-00083200008000050000200001");
    write_file(BOOK_FILE_NAME, key_after("") < key_after("e2e4 e7e5") ? start + after_e5 : after_e5 + start);

    EngineProcess engine;  // started here, in the book's directory
    ASSERT_TRUE(engine.handshake());
    const struct {
        const char* position;
        const char* go;
        const char* book_move;  // nullptr: the engine must search
    } steps[] = {
        {"position startpos", "go depth 3", "bestmove e2e4"},
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
        }
    }
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

}  // namespace
