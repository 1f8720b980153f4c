// The interpreter in this process: the position rule with its move list and
// new-game memory, and poll mode with standard input on a pipe.
#include "frontend/interpreter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "board/geometry.h"
#include "board/position.h"
#include "book/book.h"
#include "frontend/options.h"
#include "frontend/roles.h"
#include "platform/input.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/timectl.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

const std::string START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

class PositionRule : public ::testing::Test {
   protected:
    void SetUp() override {
        init_tables();
        role.is_master = 1;
        options.debug_mode = 0;
        options.own_book = 1;
        interpreter.last_position_ply = 999;
    }
    void run(const std::string& line) { execute_command(line.c_str(), 0); }
    std::string run_with_debug(const std::string& line) {
        options.debug_mode = 1;
        CaptureStdout();
        run(line);
        options.debug_mode = 0;
        return GetCapturedStdout();
    }
    // Marks the per-game memory so that a reset shows.
    void mark_game_memory() {
        search.root_score = 55;
        search.previous_search_score = 66;
        book.book_in_use = 0;
        book.book_miss_count = 3;
    }
    bool game_memory_kept() {
        return search.root_score == 55 && search.previous_search_score == 66 && book.book_in_use == 0 &&
               book.book_miss_count == 3;
    }
    bool game_memory_reset() {
        return search.root_score == 0 && search.previous_search_score == 0 &&
               book.book_in_use == options.own_book && book.book_miss_count == 0;
    }
};

TEST_F(PositionRule, MovesArePlayedInOrderWithTheEnPassantSquareCarried) {
    run("position startpos moves e2e4");
    EXPECT_EQ(pos.game_ply, 1);
    EXPECT_EQ(pos.side_to_move, BLACK);
    EXPECT_EQ(pos.ep_square, E3);

    // The capture e5xd6 is only there because d7-d5 left its square behind.
    run("position startpos moves e2e4 a7a6 e4e5 d7d5 e5d6");
    EXPECT_EQ(pos.game_ply, 5);
    EXPECT_EQ(pos.side_to_move, BLACK);
    EXPECT_EQ(pos.board_piece[D6], PAWN);
    EXPECT_EQ(pos.board_colour[D6], WHITE);
    EXPECT_EQ(pos.board_colour[D5], EMPTY);
    EXPECT_EQ(pos.ep_square, 0);
    EXPECT_TRUE(position_is_consistent());
}

TEST_F(PositionRule, FenSetupWithMoves) {
    run("position fen 4k3/8/8/8/8/8/4P3/4K3 w - - 0 30 moves e2e4 e8d7");
    EXPECT_EQ(pos.game_ply, 62);
    EXPECT_EQ(pos.side_to_move, WHITE);
    EXPECT_EQ(pos.board_piece[E4], PAWN);
    EXPECT_EQ(pos.board_piece[D7], KING);
    EXPECT_TRUE(position_is_consistent());
}

TEST_F(PositionRule, ShortAndOverlongWordsAreSkipped) {
    // Three characters or fewer: not a move, skipped.
    run("position startpos moves e2 e2e4 ok e7e5");
    EXPECT_EQ(pos.game_ply, 2);
    // 64 characters do not fit a move word: skipped, and the list goes on.
    run("position startpos moves e2e4 " + std::string(64, 'x') + " e7e5");
    EXPECT_EQ(pos.game_ply, 2);
    EXPECT_EQ(pos.board_piece[E5], PAWN);
}

TEST_F(PositionRule, AWordThatNamesNoMoveEndsTheList) {
    run("position startpos moves e2e4 e7e9 d2d4");
    EXPECT_EQ(pos.game_ply, 1);
    EXPECT_EQ(pos.board_piece[D2], PAWN);
    EXPECT_EQ(pos.board_colour[D4], EMPTY);
    // 63 characters fit a word: it is looked up, names nothing, and ends the list.
    run("position startpos moves e2e4 " + std::string(63, 'x') + " e7e5");
    EXPECT_EQ(pos.game_ply, 1);
    // Case matters, and castling is the king's move.
    run("position fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves E1G1");
    EXPECT_EQ(pos.game_ply, 2);
    EXPECT_EQ(run_with_debug("position startpos moves e2e4 e7e5 e1h1"),
              "info string JUX got position startpos moves e2e4 e7e5 e1h1\n"
              "info string Setting startpos\n"
              "info string moves are e2e4 e7e5 e1h1\n"
              "info string no move e1h1 in this position, the rest of the list is not played\n");
    EXPECT_EQ(pos.game_ply, 2);
}

TEST_F(PositionRule, ARefusedPlacementLeavesEverythingAsItWas) {
    run("position startpos moves e2e4");
    uint32_t key_high = pos.hash_key_high;
    EXPECT_EQ(run_with_debug("position fen 8/8/8/8/8/8/8/8 w - - 0 1 moves e2e4"),
              "info string JUX got position fen 8/8/8/8/8/8/8/8 w - - 0 1 moves e2e4\n"
              "info string Setting fen:  8/8/8/8/8/8/8/8 w - - 0 1 moves e2e4\n"
              "info string position refused: white needs exactly one king\n");
    EXPECT_EQ(pos.game_ply, 1);
    EXPECT_EQ(pos.hash_key_high, key_high);
    EXPECT_EQ(interpreter.last_position_ply, 1);
    // Lines without a text to set up change nothing either.
    for (const char* line : {"position", "position fen", "position moves e2e4", "positionstartpos"}) {
        run(line);
        EXPECT_EQ(pos.game_ply, 1) << line;
        EXPECT_EQ(pos.hash_key_high, key_high) << line;
    }
}

TEST_F(PositionRule, TheLongestMoveListALineCanCarry) {
    // Knights out and back: a full 4999-character line holds 995 moves.
    std::string line = "position startpos moves ";
    const char* cycle[] = {"g1f3 ", "g8f6 ", "f3g1 ", "f6g8 "};
    for (int i = 0; line.size() < LINE_BUFFER_SIZE - 1; i++) line += cycle[i % 4];
    line.resize(LINE_BUFFER_SIZE - 1);
    run(line);
    EXPECT_EQ(pos.game_ply, 995);
    EXPECT_EQ(pos.side_to_move, BLACK);
    EXPECT_EQ(pos.board_piece[F6], KNIGHT);
    EXPECT_TRUE(position_is_consistent());
}

TEST_F(PositionRule, NewGameComesWithPlyZeroOrAJumpOtherThanTwo) {
    mark_game_memory();
    run("position startpos moves e2e4");  // the first position: a new game
    EXPECT_TRUE(game_memory_reset());
    EXPECT_EQ(interpreter.last_position_ply, 1);

    mark_game_memory();
    run("position startpos moves e2e4 e7e5 g1f3");  // our move and the reply: the same game
    EXPECT_TRUE(game_memory_kept());
    run("position startpos moves e2e4 e7e5 g1f3");  // the same position again
    EXPECT_TRUE(game_memory_kept());
    run("position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6");  // three plies on
    EXPECT_TRUE(game_memory_reset());
    EXPECT_EQ(interpreter.last_position_ply, 6);

    mark_game_memory();
    run("position startpos");  // ply 0 is always a new game ...
    EXPECT_TRUE(game_memory_reset());
    mark_game_memory();
    run("position startpos");  // ... even right after ply 0
    EXPECT_TRUE(game_memory_reset());
}

TEST_F(PositionRule, NewGameByFenMoveNumbersAndTheBookOption) {
    run("position fen 4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");  // ply 2
    mark_game_memory();
    run("position fen 4k3/8/8/8/4P3/8/8/4K3 w - - 0 2");  // ply 4: two on
    EXPECT_TRUE(game_memory_kept());
    run("position fen 4k3/8/8/8/4P3/8/8/4K3 b - - 0 3");  // ply 7: three on
    EXPECT_TRUE(game_memory_reset());
    EXPECT_EQ(book.book_in_use, 1);

    options.own_book = 0;
    mark_game_memory();
    book.book_in_use = 1;
    run("position fen 4k3/8/8/8/4P3/8/8/4K3 b - - 0 1");  // ply 3: back four
    EXPECT_EQ(book.book_in_use, 0) << "a new game opens the book only with OwnBook on";
    EXPECT_EQ(search.root_score, 0);
}

// Poll mode reads standard input: these tests put a pipe in its place.
class PollMode : public ::testing::Test {
   protected:
    void SetUp() override {
        init_tables();
        role.is_master = 1;
        role.read_from_pipe = 0;
        options.debug_mode = 0;
        // Another test may have left entries in this process's tables.
        clear_hash_tables();
        saved_stdin = dup(0);
        ASSERT_EQ(pipe(fds), 0);
        ASSERT_EQ(dup2(fds[0], 0), 0);
        close(fds[0]);
        standard_input = {0, 0, 0, false, {}};
    }
    void TearDown() override {
        if (fds[1] >= 0) close(fds[1]);
        dup2(saved_stdin, 0);
        close(saved_stdin);
        standard_input = {0, 0, 0, false, {}};
    }
    void type(const std::string& text) {
        ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    std::string poll_once() {
        CaptureStdout();
        run_interpreter(1);
        return GetCapturedStdout();
    }
    int saved_stdin = -1;
    int fds[2] = {-1, -1};
};

TEST_F(PollMode, ReturnsAtOnceWhenNothingWaits) {
    EXPECT_EQ(poll_once(), "");
    type("isready\nisready\n");
    // One line per poll, even when more wait.
    EXPECT_EQ(poll_once(), "readyok\n");
    EXPECT_EQ(poll_once(), "readyok\n");
    EXPECT_EQ(poll_once(), "");
}

TEST_F(PollMode, StopPonderhitAndDebugAct) {
    search.search_active = 1;
    timer.extension_count = 0;
    limits.pondering = 1;
    type("debug on\nstop\nponderhit\naskinfo\ndebug off\n");
    EXPECT_EQ(poll_once(), "");
    EXPECT_EQ(poll_once(), "info string JUX got stop\ninfo string JUX is stopping\n");
    EXPECT_EQ(search.search_active, 0);
    EXPECT_EQ(timer.extension_count, 1);
    EXPECT_EQ(limits.pondering, 1) << "stop leaves pondering alone";
    EXPECT_EQ(poll_once(), "info string JUX got ponderhit\n");
    EXPECT_EQ(limits.pondering, 0);
    EXPECT_EQ(poll_once(), "info string JUX got askinfo\nunknowncommand askinfo\n");
    EXPECT_EQ(poll_once(), "info string JUX got debug off\n");
    EXPECT_EQ(options.debug_mode, 0);
}

TEST_F(PollMode, PositionQueryIsAnswered) {
    type("request position fen " + START_FEN + "\n");
    EXPECT_EQ(poll_once(), "response position noinformation\n");
}

// Runs one poll with input on standard input and standard output sent to a
// file, in a child process that the death test watches.
void poll_in_child(const std::string& input, bool close_input, const std::string& output_path) {
    int fds[2];
    if (pipe(fds) != 0) std::abort();
    if (write(fds[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) std::abort();
    if (close_input) close(fds[1]);
    dup2(fds[0], 0);
    standard_input = {0, 0, 0, false, {}};
    std::fflush(stdout);
    int out = open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    role.is_master = 1;
    role.read_from_pipe = 0;
    options.debug_mode = 0;
    init_tables();
    run_interpreter(1);
    std::fflush(stdout);
    _exit(42);  // the poll came back
}

std::string file_text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class PollModeEnds : public ::testing::Test {
   protected:
    void TearDown() override { unlink(output_path.c_str()); }
    std::string output_path = "/tmp/jux_poll_" + std::to_string(getpid());
};

TEST_F(PollModeEnds, CommandsThatWouldChangeTheEngineAreRefused) {
    for (const char* line :
         {"position startpos", "go depth 3", "uci", "setoption name Hash value 1", "", "ucinewgame"}) {
        EXPECT_EXIT(poll_in_child(std::string(line) + "\n", false, output_path), testing::ExitedWithCode(1),
                    "")
            << line;
        EXPECT_EQ(file_text(output_path),
                  "info string " + std::string(line) +
                      " is not allowed while the engine is searching. Send >stop< before doing this.\n");
    }
}

TEST_F(PollModeEnds, QuitAndEndOfInputEndWithStatusZero) {
    EXPECT_EXIT(poll_in_child("quit\n", false, output_path), testing::ExitedWithCode(0), "");
    EXPECT_EQ(file_text(output_path), "");
    EXPECT_EXIT(poll_in_child("", true, output_path), testing::ExitedWithCode(0), "");
    EXPECT_EQ(file_text(output_path), "");
    EXPECT_EXIT(poll_in_child("isready\n", false, output_path), testing::ExitedWithCode(42), "");
    EXPECT_EQ(file_text(output_path), "readyok\n");
}

}  // namespace
