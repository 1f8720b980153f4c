// Transcripts of the real engine over pipes: every reply byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uci/engine_process.h"

namespace {

using Lines = std::vector<std::string>;

const Lines IDENTIFICATION = {
    "id name JUX 4 for Orvia",
    "id author Varnok",
    "option name NalimovPath type string default <empty>",
    "option name ClearHash type button",
    "option name NalimovCache type spin default 1 min 1 max 64",
    "option name Hash type spin default 0 min 0 max 1024",
    "option name Nullmove type check default true",
    "option name Ponder type check default true",
    "option name UseNalimov type check default true",
    "option name Brute Force type check default false",
    "option name OwnBook type check default true",
    "uciok",
};

const std::string START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// An engine after "uci", optionally with "debug on".
class Uci : public ::testing::Test {
   protected:
    void SetUp() override { ASSERT_TRUE(engine.handshake()); }
    void debug_on() {
        engine.send("debug on");
        ASSERT_EQ(engine.lines_before_ready(), Lines{"info string JUX got isready"});
    }
    // With debug on: the echo of command, the given lines, and the echo of
    // the "isready" that closes the transcript.
    Lines echoed(const std::string& command, Lines lines) {
        lines.insert(lines.begin(), "info string JUX got " + command);
        lines.push_back("info string JUX got isready");
        return lines;
    }
    Lines answer(const std::string& command) {
        engine.send(command);
        return engine.lines_before_ready();
    }
    // "quit" ends with status 0; with debug on its echo is the last line.
    void quit_cleanly(bool debug = false) {
        engine.send("quit");
        EXPECT_EQ(engine.wait_exit(), 0);
        if (debug) {
            EXPECT_EQ(engine.read_line(), "info string JUX got quit");
        }
        EXPECT_FALSE(engine.read_line()) << "nothing after quit";
    }
    EngineProcess engine;
};

TEST(UciHandshake, IdentificationThenUciokThenQuitWithStatusZero) {
    EngineProcess engine;
    engine.send("uci");
    EXPECT_EQ(engine.read_until("uciok"), IDENTIFICATION);
    EXPECT_EQ(engine.lines_before_ready(), Lines{});
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
    EXPECT_FALSE(engine.read_line());
    EXPECT_EQ(engine.error_output(), "");
}

TEST(UciHandshake, SecondUciAnswersAgainAndKeepsRunning) {
    EngineProcess engine;
    engine.send("uci");
    EXPECT_EQ(engine.read_until("uciok"), IDENTIFICATION);
    engine.send("uci");
    EXPECT_EQ(engine.read_until("uciok"), IDENTIFICATION);
    engine.send("request position fen " + START_FEN);
    EXPECT_EQ(engine.lines_before_ready(), Lines{"response position noinformation"});
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
    EXPECT_EQ(engine.error_output(), "") << "the tables were not created twice";
}

TEST_F(Uci, IsreadyAskinfoAndUnknownCommands) {
    EXPECT_EQ(answer("askinfo"), Lines{"unknowncommand askinfo"});
    // Any line that begins with "isready" is answered.
    engine.send("isready now");
    EXPECT_EQ(engine.read_line(), "readyok");
    // Lines that match nothing get no reply.
    for (const char* line : {"ucinewgame", "askinfo please", "uci ", "", "   ", "stopp", "setoption",
                             "setoption name Ponder value false", "debug", "debug on please"})
        EXPECT_EQ(answer(line), Lines{}) << line;
    quit_cleanly();
}

TEST_F(Uci, DebugOnIsNotEchoedButDebugOffIs) {
    engine.send("debug on");
    EXPECT_EQ(engine.lines_before_ready(), Lines{"info string JUX got isready"});
    EXPECT_EQ(answer("askinfo"), echoed("askinfo", {"unknowncommand askinfo"}));
    engine.send("debug off");
    EXPECT_EQ(engine.lines_before_ready(), Lines{"info string JUX got debug off"});
    EXPECT_EQ(answer("askinfo"), Lines{"unknowncommand askinfo"});
    quit_cleanly();
}

TEST_F(Uci, StopWhileIdleSpeaksOnlyWithDebug) {
    EXPECT_EQ(answer("stop"), Lines{});
    EXPECT_EQ(answer("ponderhit"), Lines{});
    debug_on();
    EXPECT_EQ(answer("stop"), echoed("stop", {"info string JUX got stop while idle"}));
    EXPECT_EQ(answer("ponderhit"), echoed("ponderhit", {}));
    quit_cleanly(true);
}

TEST_F(Uci, CheckAndStyleOptionDiagnostics) {
    debug_on();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"setoption name Brute Force value true", "info string Brute Force on"},
        {"setoption name Brute Force value false", "info string Brute Force off"},
        {"setoption name OwnBook value false", "info string OwnBook off"},
        {"setoption name OwnBook value true", "info string OwnBook on"},
        {"setoption name UseNalimov value false", "info string TableBases off"},
        {"setoption name UseNalimov value true", "info string Tablebases on"},
        {"setoption name Nullmove value false", "info string Nullmove off"},
        {"setoption name Nullmove value true", "info string Nullmove on"},
        {"setoption name Style value Risky", "info string Style Risky"},
        {"setoption name Style value Solid", "info string Style Solid"},
        {"setoption name Style value Normal", "info string Style Normal"},
        {"setoption name ClearHash", "info string Hash cleared"},
    };
    for (const auto& [command, diagnostic] : cases) EXPECT_EQ(answer(command), echoed(command, {diagnostic}));
    // Only the exact texts count: these change nothing and say nothing.
    for (const char* command : {"setoption name OwnBook value True", "setoption name Nullmove value 0",
                                "setoption name Style value risky", "setoption name Style value Aggressive",
                                "setoption name UseNalimov value true ",
                                "setoption  name OwnBook value false", "setoption name ClearHash now"})
        EXPECT_EQ(answer(command), echoed(command, {})) << command;
    quit_cleanly(true);
}

TEST_F(Uci, TablebaseOptionDiagnostics) {
    debug_on();
    // A path is one word: it ends at the first blank.
    EXPECT_EQ(answer("setoption name NalimovPath value /nonexistent/tb dir"),
              echoed("setoption name NalimovPath value /nonexistent/tb dir",
                     {"info string NalimovCache is 0 MB", "info string ->NalimovPath is /nonexistent/tb",
                      "info string JUX found 0 piece Nalimov EGTB"}));
    EXPECT_EQ(answer("setoption name NalimovCache value 4"),
              echoed("setoption name NalimovCache value 4",
                     {"info string ->NalimovCache is 4 MB", "info string NalimovPath is /nonexistent/tb",
                      "info string JUX found 0 piece Nalimov EGTB"}));
    // "<empty>" turns the tables off, and then is taken as the path itself.
    EXPECT_EQ(answer("setoption name NalimovPath value <empty>"),
              echoed("setoption name NalimovPath value <empty>",
                     {"info string Nalimov EGTB turned off", "info string NalimovCache is 4 MB",
                      "info string ->NalimovPath is <empty>", "info string JUX found 0 piece Nalimov EGTB"}));
    // The option lines are scanned: a blank stands for any run of white space.
    EXPECT_EQ(answer("setoption   name NalimovCache\tvalue   -2x"),
              echoed("setoption   name NalimovCache\tvalue   -2x",
                     {"info string ->NalimovCache is -2 MB", "info string NalimovPath is <empty>",
                      "info string JUX found 0 piece Nalimov EGTB"}));
    EXPECT_EQ(answer("setoption name NalimovCache value"), echoed("setoption name NalimovCache value", {}));
    EXPECT_EQ(answer("setoption name NalimovPath value "), echoed("setoption name NalimovPath value ", {}));
    // A path longer than the option holds keeps its first 511 characters.
    std::string long_path = "/" + std::string(600, 'p');
    EXPECT_EQ(answer("setoption name NalimovPath value " + long_path),
              echoed("setoption name NalimovPath value " + long_path,
                     {"info string NalimovCache is -2 MB",
                      "info string ->NalimovPath is " + long_path.substr(0, 511),
                      "info string JUX found 0 piece Nalimov EGTB"}));
    quit_cleanly(true);
}

TEST_F(Uci, HashRebuildDiagnostics) {
    debug_on();
    engine.send("setoption name Hash value 1");
    Lines lines = engine.lines_before_ready();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "info string JUX got setoption name Hash value 1");
    EXPECT_EQ(lines[1], "info string re-Memory Mapped 0");
    EXPECT_EQ(lines[4], "info string re-Memory Mapped 3");
    EXPECT_EQ(lines[5].rfind("info string re-Memory Mapped ", 0), 0u);
    EXPECT_EQ(lines[6], "info string Using 1 Processors");
    EXPECT_EQ(lines[7], "info string Hashsize is 1 MB");
    EXPECT_EQ(lines[8], "info string JUX got isready");
    EXPECT_EQ(answer("request position fen " + START_FEN),
              echoed("request position fen " + START_FEN,
                     {"info string Request move for fen:  " + START_FEN, "response position noinformation"}));
    quit_cleanly(true);
    EXPECT_EQ(engine.error_output(), "");
}

TEST(HashSetup, TablesThatCannotBeHadEndTheEngineWithStatusOne) {
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    engine.send("setoption name Hash value 2000000");
    EXPECT_EQ(engine.read_line(), "info string Memory problems: I quit!");
    EXPECT_EQ(engine.wait_exit(), 1);
    EXPECT_FALSE(engine.read_line());
    EXPECT_EQ(engine.error_output(), "no more bttable memory \n");
}

TEST_F(Uci, PositionDiagnostics) {
    debug_on();
    EXPECT_EQ(answer("position startpos moves e2e4 e7e5"),
              echoed("position startpos moves e2e4 e7e5",
                     {"info string Setting startpos", "info string moves are e2e4 e7e5"}));
    const std::string fen_line = "position fen " + START_FEN + " moves g1f3";
    EXPECT_EQ(answer(fen_line), echoed(fen_line, {"info string Setting fen:  " + START_FEN + " moves g1f3",
                                                  "info string moves are g1f3"}));
    EXPECT_EQ(answer("position startpos moves e2e4 e7e9 d2d4"),
              echoed("position startpos moves e2e4 e7e9 d2d4",
                     {"info string Setting startpos", "info string moves are e2e4 e7e9 d2d4",
                      "info string no move e7e9 in this position, the rest of the list is not played"}));
    EXPECT_EQ(answer("position fen 8/8/8/8/8/8/8/8 w - - 0 1 moves e2e4"),
              echoed("position fen 8/8/8/8/8/8/8/8 w - - 0 1 moves e2e4",
                     {"info string Setting fen:  8/8/8/8/8/8/8/8 w - - 0 1 moves e2e4",
                      "info string position refused: white needs exactly one king"}));
    // No text to hand to the setup: nothing happens.
    EXPECT_EQ(answer("position"), echoed("position", {}));
    EXPECT_EQ(answer("position fen"), echoed("position fen", {"info string Setting fen: "}));
    EXPECT_EQ(answer("position moves e2e4"), echoed("position moves e2e4", {}));
    quit_cleanly(true);
}

TEST_F(Uci, PositionQueryLinesWithoutFen) {
    EXPECT_EQ(answer("request position fen " + START_FEN), Lines{"response position noinformation"});
    EXPECT_EQ(answer("request position fen"), Lines{});
    EXPECT_EQ(answer("request position fen "), Lines{});
    // A placement that ends early is read up to its end.
    EXPECT_EQ(answer("request position fen rnbqkbnr/pppp"), Lines{"response position noinformation"});
    EXPECT_EQ(answer("request position fen ////////"), Lines{"response position noinformation"});
    EXPECT_EQ(answer("request position fen 99999999 b"), Lines{"response position noinformation"});
    quit_cleanly();
}

TEST(EndOfInput, ActsAsQuit) {
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    engine.send("isready");
    EXPECT_EQ(engine.read_line(), "readyok");
    engine.close_input();
    EXPECT_EQ(engine.wait_exit(), 0);
    EXPECT_FALSE(engine.read_line());
}

TEST(EndOfInput, LastLineWithoutLineEndIsStillRead) {
    EngineProcess engine;
    engine.send_raw("isready");
    engine.close_input();
    EXPECT_EQ(engine.read_line(), "readyok");
    EXPECT_EQ(engine.wait_exit(), 0);
}

TEST(EndOfInput, NonBlockingInputWithNothingYetIsNotTheEnd) {
    EngineProcess engine({}, JUX_BINARY, true);
    ASSERT_TRUE(engine.handshake());
    // After each answer the engine reads again and finds the pipe empty.
    for (int i = 0; i < 5; i++) EXPECT_EQ(engine.lines_before_ready(), Lines{});
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

TEST(EndOfInput, ClosedOutputEndsTheEngineCleanly) {
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    engine.close_output();
    engine.send("isready");
    // Status 0, not the death by a broken-pipe signal.
    EXPECT_EQ(engine.wait_exit(), 0);
}

TEST_F(Uci, GarbageLeavesTheEngineAnswering) {
    engine.send_raw(std::string("\x01\x02\xff\xfe garbage\n\0\0\n", 15));
    engine.send_raw("\n\r\n \t \n");
    engine.send_raw("isready\r\n");
    EXPECT_EQ(engine.read_line(), "readyok") << "a carriage return before the line end is dropped";
    for (const char* line : {"position", "position fen", "position startpos moves", "position fen moves e2e4",
                             "position startpos moves "
                             "e2e4e2e4e2e4e2e4e2e4e2e4e2e4e2e4e2e4e2e4e2e4e2e4e2e4e2e4e2e4e2e4e2e4",
                             "setoption name Hash value", "setoption name Hash value x", "og"})
        EXPECT_EQ(answer(line), Lines{}) << line;
    quit_cleanly();
}

TEST_F(Uci, OverlongLineIsCutAndItsRestDiscarded) {
    debug_on();
    // The first 4999 characters form the line; the "isready" beyond them
    // must not be taken as a command of its own.
    std::string head(4999, 'a');
    engine.send(head + "isready");
    EXPECT_EQ(engine.lines_before_ready(),
              (Lines{"info string JUX got " + head, "info string JUX got isready"}));
    // A line far beyond the buffer, then a normal one.
    engine.send(std::string(200000, 'x'));
    EXPECT_EQ(engine.lines_before_ready(),
              (Lines{"info string JUX got " + std::string(4999, 'x'), "info string JUX got isready"}));
    quit_cleanly(true);
}

TEST(BeforeUci, CommandsNeedingTablesAreHarmless) {
    EngineProcess engine;
    for (const char* line :
         {"position startpos moves e2e4 e7e5", "setoption name ClearHash", "go depth 1", "go infinite"}) {
        engine.send(line);
        EXPECT_EQ(engine.lines_before_ready(), Lines{}) << line;
    }
    engine.send("request position fen " + START_FEN);
    EXPECT_EQ(engine.lines_before_ready(), Lines{"response position noinformation"});
    engine.send("debug on");
    engine.send("go depth 1");
    EXPECT_EQ(engine.lines_before_ready(),
              (Lines{"info string JUX got go depth 1", "info string no hash tables yet, send uci first",
                     "info string JUX got isready"}));
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

}  // namespace
