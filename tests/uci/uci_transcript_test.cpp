// Transcripts of the real engine over pipes: every reply byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <utility>
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
const std::string QUERY = "request position fen " + START_FEN;
const std::string NO_INFORMATION = "response position noinformation\n";

// Sends each command, then "isready", and expects the text written before
// "readyok". With echo_free the debug echo of the commands and the addresses
// of the mapped tables are left out.
void expect_transcript(EngineProcess& engine, const std::vector<std::pair<std::string, std::string>>& rows,
                       bool echo_free = false) {
    for (const auto& [command, expected] : rows) {
        engine.send(command);
        std::string text;
        for (const std::string& line : engine.lines_before_ready())
            if (!echo_free ||
                !(line.starts_with("info string JUX got ") || line.starts_with("info string re-Memory ")))
                text += line + "\n";
        EXPECT_EQ(text, expected) << command;
    }
}

void expect_quit(EngineProcess& engine) {
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
    EXPECT_EQ(engine.error_output(), "");
}

// Starts an infinite search and waits until it is under way.
void start_search(EngineProcess& engine) {
    engine.send("go infinite");
    engine.read_until_prefix("info depth 3 ");
}

TEST(Uci, CommandsBeforeUciThenTheIdentificationTwice) {
    EngineProcess engine;
    // No tables before "uci": commands that need them must do no harm.
    for (const char* line : {"position startpos moves e2e4", "setoption name ClearHash", "go depth 1"})
        engine.send(line);
    expect_transcript(engine, {{QUERY, NO_INFORMATION}});
    // A second "uci" answers again and keeps the tables it has.
    for (int i = 0; i < 2; i++) {
        engine.send("uci");
        EXPECT_EQ(engine.read_until("uciok"), IDENTIFICATION);
    }
    expect_transcript(engine, {{QUERY, NO_INFORMATION}});
    expect_quit(engine);
    EXPECT_FALSE(engine.read_line()) << "nothing after quit";
}

TEST(Uci, RepliesAndTheDebugEcho) {
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    const std::string ready = "info string JUX got isready\n";
    expect_transcript(engine,
                      {
                          {"askinfo", "unknowncommand askinfo\n"},
                          {"stop", ""},
                          {"ponderhit", ""},
                          {"ucinewgame", ""},
                          // The echo comes before the rule: "debug on" is not echoed ...
                          {"debug on", ready},
                          {"askinfo", "info string JUX got askinfo\nunknowncommand askinfo\n" + ready},
                          {"stop", "info string JUX got stop\ninfo string JUX got stop while idle\n" + ready},
                          // ... and "debug off" is.
                          {"debug off", "info string JUX got debug off\n"},
                          {"stop", ""},
                      });
    // Any line that begins with "isready" is answered.
    engine.send("isready now");
    EXPECT_EQ(engine.read_line(), "readyok");
    expect_quit(engine);
}

TEST(Uci, OptionPositionAndQueryDiagnostics) {
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    engine.send("debug on");
    const std::string found = "info string JUX found 0 piece Nalimov EGTB\n";
    const std::string long_path = "/" + std::string(600, 'p');
    expect_transcript(
        engine,
        {
            {"setoption name Brute Force value true", "info string Brute Force on\n"},
            {"setoption name Brute Force value false", "info string Brute Force off\n"},
            {"setoption name OwnBook value false", "info string OwnBook off\n"},
            {"setoption name OwnBook value true", "info string OwnBook on\n"},
            {"setoption name UseNalimov value false", "info string TableBases off\n"},
            {"setoption name UseNalimov value true", "info string Tablebases on\n"},
            {"setoption name Nullmove value false", "info string Nullmove off\n"},
            {"setoption name Nullmove value true", "info string Nullmove on\n"},
            {"setoption name Style value Risky", "info string Style Risky\n"},
            {"setoption name Style value Solid", "info string Style Solid\n"},
            {"setoption name Style value Normal", "info string Style Normal\n"},
            {"setoption name ClearHash", "info string Hash cleared\n"},
            // Only the exact texts count.
            {"setoption name OwnBook value True", ""},
            {"setoption name Style value risky", ""},
            {"setoption name nullmove value true", ""},
            // The scanned options: a blank matches any run of white space,
            // even none; a path is one word of at most 511 characters; and
            // "<empty>" turns the tables off, then is taken as the path.
            {"setoption name NalimovPath value /nonexistent/tb dir",
             "info string NalimovCache is 0 MB\ninfo string ->NalimovPath is /nonexistent/tb\n" + found},
            {"setoptionname NalimovCache\tvalue   4x",
             "info string ->NalimovCache is 4 MB\ninfo string NalimovPath is /nonexistent/tb\n" + found},
            {"setoption name NalimovPath value <empty>",
             "info string Nalimov EGTB turned off\ninfo string NalimovCache is 4 MB\n"
             "info string ->NalimovPath is <empty>\n" +
                 found},
            {"setoption name NalimovPath value " + long_path,
             "info string NalimovCache is 4 MB\ninfo string ->NalimovPath is " + long_path.substr(0, 511) +
                 "\n" + found},
            {"setoption name Hash value 1", "info string Using 1 Processors\ninfo string Hashsize is 1 MB\n"},
            {"setoption name Hash value x", ""},
            {"position startpos moves e2e4 e7e5",
             "info string Setting startpos\ninfo string moves are e2e4 e7e5\n"},
            {"position fen " + START_FEN + " moves g1f3",
             "info string Setting fen:  " + START_FEN + " moves g1f3\ninfo string moves are g1f3\n"},
            {"position startpos moves e2e4 e7e9 d2d4",
             "info string Setting startpos\ninfo string moves are e2e4 e7e9 d2d4\n"
             "info string no move e7e9 in this position, the rest of the list is not played\n"},
            {"position fen 8/8/8/8/8/8/8/8 w - - 0 1",
             "info string Setting fen:  8/8/8/8/8/8/8/8 w - - 0 1\n"
             "info string position refused: white needs exactly one king\n"},
            {"position fen k6R/8/8/8/8/8/8/K7 w - - 0 1",
             "info string Setting fen:  k6R/8/8/8/8/8/8/K7 w - - 0 1\n"
             "info string position refused: the side not to move is in check\n"},
            {"position fen 4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1 moves e2d3 e8d8",
             "info string Setting fen:  4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1 moves e2d3 e8d8\n"
             "info string moves are e2d3 e8d8\n"
             "info string e2d3 leaves the king in check, the rest of the list is not played\n"},
            {"position fen", "info string Setting fen: \n"},
            {QUERY, "info string Request move for fen:  " + START_FEN + "\n" + NO_INFORMATION},
            {"request position fen ", ""},
        },
        true);
    expect_quit(engine);
}

TEST(Uci, ASearchTakesOnlyCommandsThatLeaveItAloneAndEndsOnQuit) {
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    start_search(engine);
    for (const std::string& line : Lines{"askinfo", QUERY, "ponderhit", "debug on", "stop"})
        engine.send(line);
    std::string text;
    for (std::string line : engine.read_until_prefix("bestmove ")) {
        // What the tables hold for the position changes as the search goes on.
        if (line.starts_with("response position ")) line = "response position ...";
        if (!line.starts_with("info ") || line.starts_with("info string ")) text += line + "\n";
    }
    EXPECT_TRUE(text.starts_with("unknowncommand askinfo\nresponse position ...\n"
                       "info string JUX got stop\ninfo string JUX is stopping\nbestmove "))
        << text;
    start_search(engine);
    expect_quit(engine);
}

TEST(Uci, HashThatCannotBeHadEndsTheEngineWithStatusOne) {
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    engine.send("setoption name Hash value 2000000");
    EXPECT_EQ(engine.read_line(), "info string Memory problems: I quit!");
    EXPECT_EQ(engine.wait_exit(), 1);
    EXPECT_FALSE(engine.read_line());
    EXPECT_EQ(engine.error_output(), "no more bttable memory \n");
}

TEST(Uci, GarbageAndOverlongLinesLeaveTheEngineAnswering) {
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    const char garbage[] = "\x01\x02\xff\xfe garbage\n\0\0\n\r\n \t \nog\nposition startpos moves \n";
    engine.send_raw(std::string(garbage, sizeof garbage - 1));
    engine.send_raw("askinfo\r\n");
    EXPECT_EQ(engine.read_line(), "unknowncommand askinfo")
        << "a carriage return before the line end is dropped";
    // The first 4999 characters form the line: the "isready" beyond them is
    // not a command of its own, nor is the rest of a line far longer.
    engine.send("debug on");
    const std::string a(4999, 'a'), x(4999, 'x'), ready = "info string JUX got isready\n";
    expect_transcript(engine, {{a + "isready", "info string JUX got " + a + "\n" + ready},
                               {std::string(200000, 'x'), "info string JUX got " + x + "\n" + ready}});
    expect_quit(engine);
}

TEST(EndOfInput, LastLineWithoutLineEndIsReadAndClosedPipesEndTheEngineWithStatusZero) {
    EngineProcess idle, searching, deaf;
    for (EngineProcess* engine : {&idle, &searching, &deaf}) ASSERT_TRUE(engine->handshake());
    idle.send_raw("isready");
    idle.close_input();
    EXPECT_EQ(idle.read_line(), "readyok");
    EXPECT_EQ(idle.wait_exit(), 0);
    EXPECT_FALSE(idle.read_line());
    start_search(searching);
    searching.close_input();
    EXPECT_EQ(searching.wait_exit(), 0);
    // Closed output ends the engine with status 0, not by a signal.
    deaf.close_output();
    deaf.send("isready");
    EXPECT_EQ(deaf.wait_exit(), 0);
}

TEST(EndOfInput, NonBlockingInputWithNothingYetIsNotTheEnd) {
    EngineProcess engine({}, JUX_BINARY, true);
    ASSERT_TRUE(engine.handshake());
    // After each answer the engine reads again and finds the pipe empty.
    for (int i = 0; i < 3; i++) {
        usleep(50000);
        EXPECT_EQ(engine.lines_before_ready(), Lines{});
    }
    expect_quit(engine);
}

}  // namespace
