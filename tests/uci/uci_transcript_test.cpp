// Transcripts of the real engine over pipes: every reply byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "uci/engine_process.h"

namespace {

using Lines = std::vector<std::string>;
using Transcript = std::vector<std::pair<std::string, Lines>>;

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
const std::string NO_INFORMATION = "response position noinformation";

bool begins(const std::string& line, const char* prefix) {
    return line.rfind(prefix, 0) == 0;
}

// Sends each command and expects the lines written before the "readyok" of
// an "isready" sent after it. With echo_free, the debug echo of the commands
// and the addresses of the mapped tables are left out of the comparison.
void expect_transcript(EngineProcess& engine, const Transcript& transcript, bool echo_free = false) {
    for (const auto& [command, expected] : transcript) {
        engine.send(command);
        Lines lines;
        for (const std::string& line : engine.lines_before_ready())
            if (!echo_free ||
                !(begins(line, "info string JUX got ") || begins(line, "info string re-Memory ")))
                lines.push_back(line);
        EXPECT_EQ(lines, expected) << command;
    }
}

void expect_quit(EngineProcess& engine) {
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
    EXPECT_EQ(engine.error_output(), "");
}

TEST(Uci, CommandsBeforeUciThenTheIdentificationTwice) {
    EngineProcess engine;
    // No tables before "uci": commands that need them must do no harm.
    for (const char* line : {"position startpos moves e2e4", "setoption name ClearHash", "go depth 1"})
        engine.send(line);
    expect_transcript(engine, {{"request position fen " + START_FEN, {NO_INFORMATION}}});
    // A second "uci" answers again and keeps the tables it has.
    for (int i = 0; i < 2; i++) {
        engine.send("uci");
        EXPECT_EQ(engine.read_until("uciok"), IDENTIFICATION);
    }
    expect_transcript(engine, {{"request position fen " + START_FEN, {NO_INFORMATION}}});
    expect_quit(engine);
    EXPECT_FALSE(engine.read_line()) << "nothing after quit";
}

TEST(Uci, RepliesAndTheDebugEcho) {
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    const std::string ready = "info string JUX got isready";
    expect_transcript(
        engine, {
                    {"askinfo", {"unknowncommand askinfo"}},
                    {"stop", {}},
                    {"ponderhit", {}},
                    // Lines that match nothing get no reply.
                    {"ucinewgame", {}},
                    {"uci ", {}},
                    {"debug on please", {}},
                    // The echo comes before the rule: "debug on" is not echoed ...
                    {"debug on", {ready}},
                    {"askinfo", {"info string JUX got askinfo", "unknowncommand askinfo", ready}},
                    {"stop", {"info string JUX got stop", "info string JUX got stop while idle", ready}},
                    // ... and "debug off" is.
                    {"debug off", {"info string JUX got debug off"}},
                    {"stop", {}},
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
    const std::string found = "info string JUX found 0 piece Nalimov EGTB";
    const std::string long_path = "/" + std::string(600, 'p');
    expect_transcript(
        engine,
        {
            {"setoption name Brute Force value true", {"info string Brute Force on"}},
            {"setoption name Brute Force value false", {"info string Brute Force off"}},
            {"setoption name OwnBook value false", {"info string OwnBook off"}},
            {"setoption name OwnBook value true", {"info string OwnBook on"}},
            {"setoption name UseNalimov value false", {"info string TableBases off"}},
            {"setoption name UseNalimov value true", {"info string Tablebases on"}},
            {"setoption name Nullmove value false", {"info string Nullmove off"}},
            {"setoption name Nullmove value true", {"info string Nullmove on"}},
            {"setoption name Style value Risky", {"info string Style Risky"}},
            {"setoption name Style value Solid", {"info string Style Solid"}},
            {"setoption name Style value Normal", {"info string Style Normal"}},
            {"setoption name ClearHash", {"info string Hash cleared"}},
            // Only the exact texts count.
            {"setoption name OwnBook value True", {}},
            {"setoption name Style value risky", {}},
            // A path is one word, of at most 511 characters; "<empty>" turns
            // the tables off and then is taken as the path itself.
            {"setoption name NalimovPath value /nonexistent/tb dir",
             {"info string NalimovCache is 0 MB", "info string ->NalimovPath is /nonexistent/tb", found}},
            {"setoption   name NalimovCache\tvalue   4x",
             {"info string ->NalimovCache is 4 MB", "info string NalimovPath is /nonexistent/tb", found}},
            {"setoption name NalimovPath value <empty>",
             {"info string Nalimov EGTB turned off", "info string NalimovCache is 4 MB",
              "info string ->NalimovPath is <empty>", found}},
            {"setoption name NalimovPath value " + long_path,
             {"info string NalimovCache is 4 MB", "info string ->NalimovPath is " + long_path.substr(0, 511),
              found}},
            {"setoption name Hash value 1",
             {"info string Using 1 Processors", "info string Hashsize is 1 MB"}},
            {"setoption name Hash value x", {}},
            {"position startpos moves e2e4 e7e5",
             {"info string Setting startpos", "info string moves are e2e4 e7e5"}},
            {"position fen " + START_FEN + " moves g1f3",
             {"info string Setting fen:  " + START_FEN + " moves g1f3", "info string moves are g1f3"}},
            {"position startpos moves e2e4 e7e9 d2d4",
             {"info string Setting startpos", "info string moves are e2e4 e7e9 d2d4",
              "info string no move e7e9 in this position, the rest of the list is not played"}},
            {"position fen 8/8/8/8/8/8/8/8 w - - 0 1",
             {"info string Setting fen:  8/8/8/8/8/8/8/8 w - - 0 1",
              "info string position refused: white needs exactly one king"}},
            {"position fen", {"info string Setting fen: "}},
            {"request position fen " + START_FEN,
             {"info string Request move for fen:  " + START_FEN, NO_INFORMATION}},
            {"request position fen ", {}},
        },
        true);
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
    engine.send_raw("isready\r\n");
    EXPECT_EQ(engine.read_line(), "readyok") << "a carriage return before the line end is dropped";
    // The first 4999 characters form the line: the "isready" beyond them is
    // not a command of its own, nor is the rest of a line far longer.
    engine.send("debug on");
    const std::string head(4999, 'a');
    expect_transcript(engine,
                      {{head + "isready", {"info string JUX got " + head, "info string JUX got isready"}},
                       {std::string(200000, 'x'),
                        {"info string JUX got " + std::string(4999, 'x'), "info string JUX got isready"}}});
    expect_quit(engine);
}

TEST(EndOfInput, TheLastLineIsReadEvenWithoutItsLineEndThenTheEngineEnds) {
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    engine.send_raw("isready");
    engine.close_input();
    EXPECT_EQ(engine.read_line(), "readyok");
    EXPECT_EQ(engine.wait_exit(), 0);
    EXPECT_FALSE(engine.read_line());
}

TEST(EndOfInput, QuitOrTheEndDuringASearchEndsTheEngineWithStatusZero) {
    for (bool close_input : {false, true}) {
        EngineProcess engine;
        ASSERT_TRUE(engine.handshake());
        engine.send("go infinite");
        engine.read_until_prefix("info depth 3 ");
        if (close_input)
            engine.close_input();
        else
            engine.send("quit");
        EXPECT_EQ(engine.wait_exit(), 0) << close_input;
    }
}

TEST(EndOfInput, NonBlockingInputWithNothingYetIsNotTheEnd) {
    EngineProcess engine({}, JUX_BINARY, true);
    ASSERT_TRUE(engine.handshake());
    // After each answer the engine reads again and finds the pipe empty.
    for (int i = 0; i < 5; i++) EXPECT_EQ(engine.lines_before_ready(), Lines{});
    expect_quit(engine);
}

TEST(EndOfInput, ClosedOutputEndsTheEngineWithStatusZeroNotBySignal) {
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    engine.close_output();
    engine.send("isready");
    EXPECT_EQ(engine.wait_exit(), 0);
}

}  // namespace
