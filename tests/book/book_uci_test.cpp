// The book through the engine: moves without a search until the book is off; a jux.book that is no file.
#include <sys/stat.h>

#include <functional>

#include "book_fixture.h"
#include "data_rows.h"

namespace {

using BookUci = BookTest;

TEST_F(BookUci, BookMovesComeWithoutSearchUntilTheBookIsOff) {
    // e2e4 from the start (rank 11) and g1f3 after 1. e4 e5 (rank 23).
    const std::string start = token(key_after(""), "L-00083200008000050000200001");
    const std::string after_e5 = token(key_after("e2e4 e7e5"), "X-00083200008000050000200001");
    write_file(BOOK_FILE_NAME, key_after("") < key_after("e2e4 e7e5") ? start + after_e5 : after_e5 + start);
    EngineProcess engine;  // started here, in the book's directory
    ASSERT_TRUE(engine.handshake());
    for (const auto& step : data_rows("book/data/uci_steps.txt")) {
        const auto [last, searched] = answer(engine, step[0], step[1]);
        EXPECT_EQ(searched, step[2] == "search") << step[0] << " / " << step[1];
        ASSERT_EQ(last.rfind("bestmove ", 0), 0u) << last;
        EXPECT_TRUE(step[3] == "-" || step[3].find(last.substr(9)) != std::string::npos) << last;
    }
}

TEST_F(BookUci, ABookThatIsNoRegularFileIsNoBook) {
    // Reading a FIFO would wait for a writer, a device may never end.
    const std::function<void()> kinds[] = {
        [] { ASSERT_EQ(mkfifo(BOOK_FILE_NAME, 0600), 0); },
        [] { std::filesystem::create_symlink("/dev/zero", BOOK_FILE_NAME); },
    };
    for (const auto& make_book_file : kinds) {
        std::filesystem::remove_all(BOOK_FILE_NAME);
        make_book_file();
        EngineProcess engine;
        ASSERT_TRUE(engine.handshake());
        const auto [last, searched] = answer(engine, "position startpos", "go depth 2");
        EXPECT_EQ(last.rfind("bestmove ", 0), 0u) << last;
        EXPECT_TRUE(searched);
        EXPECT_EQ(engine.lines_before_ready(10000), std::vector<std::string>{});
    }
}

}  // namespace
