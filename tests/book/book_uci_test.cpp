// The book seen through the real engine: book moves come at once without a
// search, positions off the book are searched, and unlimited searches switch
// the book off for the rest of the game.
#include <gtest/gtest.h>

#include <algorithm>

#include "book/book.h"
#include "book_fixture.h"
#include "uci/engine_process.h"

namespace {

using Lines = std::vector<std::string>;

bool searched(const Lines& lines) {
    return std::any_of(lines.begin(), lines.end(),
                       [](const std::string& l) { return l.rfind("info depth", 0) == 0; });
}

class BookUci : public ScratchDirectory {
   protected:
    void SetUp() override {
        ScratchDirectory::SetUp();
        // e2e4 from the start (rank 13) and g1f3 after 1. e4 e5 (rank 14),
        // both with a winning record.
        std::map<uint32_t, std::string> tokens;
        char text[80];
        std::snprintf(text, sizeof text, "%08XN-00083200008000050000200001\n", key_after(""));
        tokens[key_after("")] = text;
        std::snprintf(text, sizeof text, "%08XO-00083200008000050000200001\n", key_after("e2e4 e7e5"));
        tokens[key_after("e2e4 e7e5")] = text;
        std::string book_text;
        for (const auto& [key, token] : tokens) book_text += token;
        write_file(BOOK_FILE_NAME, book_text);
    }
    Lines go(EngineProcess& engine, const std::string& command) {
        engine.send(command);
        return engine.read_until_prefix("bestmove");
    }
};

TEST_F(BookUci, BookMovesComeWithoutSearchThenTheEngineSearches) {
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    engine.send("position startpos");
    Lines lines = go(engine, "go depth 3");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "bestmove e2e4");
    EXPECT_FALSE(searched(lines));

    engine.send("position startpos moves e2e4 e7e5");
    lines = go(engine, "go wtime 30000 btime 30000 movestogo 40");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "bestmove g1f3");
    EXPECT_FALSE(searched(lines));

    engine.send("position startpos moves e2e4 e7e5 g1f3 b8c6");
    lines = go(engine, "go depth 3");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("bestmove ", 0), 0u);
    EXPECT_TRUE(searched(lines));
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

TEST_F(BookUci, UnlimitedSearchSwitchesTheBookOffUntilANewGame) {
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    engine.send("position startpos");
    engine.send("go infinite");
    engine.send("stop");
    Lines lines = engine.read_until_prefix("bestmove");
    EXPECT_TRUE(searched(lines));

    // Two plies on: the same game, and the book stays off although the
    // position is in it.
    engine.send("position startpos moves e2e4 e7e5");
    lines = go(engine, "go depth 2");
    EXPECT_TRUE(searched(lines));

    engine.send("position startpos");  // a new game opens the book again
    lines = go(engine, "go depth 2");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "bestmove e2e4");
    EXPECT_FALSE(searched(lines));

    engine.send("setoption name OwnBook value false");
    engine.send("position startpos");
    lines = go(engine, "go depth 2");
    EXPECT_TRUE(searched(lines));
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

}  // namespace
