// Transcripts of "go" through the real engine: the limits, the answer, and
// the commands a running search must take or refuse.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "uci/engine_process.h"

namespace {

using Lines = std::vector<std::string>;

bool starts_with(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// A root report: "info score ... depth ... pv ...".
bool is_report(const std::string& line) {
    return starts_with(line, "info score ") && line.find(" depth ") != std::string::npos;
}

// The moves of a report's principal variation.
Lines pv_of(const std::string& report) {
    Lines moves;
    const size_t at = report.find(" pv ");
    if (at == std::string::npos) return moves;
    std::string move;
    for (size_t i = at + 4; i < report.size(); i++) {
        if (report[i] == ' ') {
            if (!move.empty()) moves.push_back(move);
            move.clear();
        } else {
            move += report[i];
        }
    }
    if (!move.empty()) moves.push_back(move);
    return moves;
}

std::string last_report(const Lines& lines) {
    std::string last;
    for (const std::string& l : lines)
        if (is_report(l)) last = l;
    return last;
}

// Gives a running engine time to reach a state; what the test then checks
// does not depend on how long this took.
void pause_ms(int ms) {
    usleep(ms * 1000);
}

class Go : public ::testing::Test {
   protected:
    void SetUp() override { ASSERT_TRUE(engine.handshake()); }

    // Lines up to and including the first one that begins with prefix.
    Lines read_until_prefix(const std::string& prefix) {
        Lines lines;
        while (std::optional<std::string> line = engine.read_line()) {
            lines.push_back(*line);
            if (starts_with(*line, prefix)) return lines;
        }
        lines.push_back("<no " + prefix + ">");
        return lines;
    }
    Lines search(const std::string& position, const std::string& go) {
        engine.send(position);
        engine.send(go);
        return read_until_prefix("bestmove");
    }
    // The answer names the first two moves of the last printed report.
    void expect_answer_from_last_report(const Lines& lines) {
        ASSERT_FALSE(lines.empty());
        const Lines pv = pv_of(last_report(lines));
        ASSERT_FALSE(pv.empty()) << "no report";
        std::string expected = "bestmove " + pv[0];
        if (pv.size() > 1) expected += " ponder " + pv[1];
        EXPECT_EQ(lines.back(), expected);
    }
    // While the engine holds its answer it still answers "isready".
    void expect_no_answer_yet() {
        engine.send("isready");
        for (const std::string& line : read_until_prefix("readyok")) {
            EXPECT_FALSE(starts_with(line, "bestmove")) << line;
            EXPECT_NE(line, "<no readyok>");
        }
    }
    void quit() {
        engine.send("quit");
        EXPECT_EQ(engine.wait_exit(), 0);
    }
    EngineProcess engine;
};

}  // namespace

TEST_F(Go, DepthReportsEveryIterationTwiceAndAnswersTheLastReport) {
    const Lines lines = search("position startpos", "go depth 4");
    ASSERT_TRUE(starts_with(lines.back(), "bestmove ")) << lines.back();
    EXPECT_EQ(lines.front(), "info depth 1 seldepth 0");
    int depth_lines[100] = {};
    for (const std::string& line : lines) {
        int d, s;
        char rest;
        if (std::sscanf(line.c_str(), "info depth %d seldepth %d%c", &d, &s, &rest) == 2 && d >= 0 && d < 100)
            depth_lines[d]++;
        EXPECT_FALSE(starts_with(line, "info currmove")) << "announced below depth 6: " << line;
        EXPECT_FALSE(starts_with(line, "info score ") && !is_report(line))
            << "bound line below depth 6: " << line;
        if (is_report(line)) {
            // Two blanks between the score and the rest, two after each move.
            EXPECT_NE(line.find("  depth "), std::string::npos) << line;
            EXPECT_EQ(line.substr(line.size() - 2), "  ") << line;
        }
    }
    for (int d = 1; d <= 4; d++) EXPECT_EQ(depth_lines[d], 2) << "depth " << d;
    EXPECT_EQ(depth_lines[5], 0);
    expect_answer_from_last_report(lines);
    quit();
}

TEST_F(Go, DepthZeroOrNegativeSearchesOneIteration) {
    for (const char* go : {"go depth 0", "go depth -3"}) {
        const Lines lines = search("position startpos", go);
        int depth_lines = 0;
        for (const std::string& line : lines) {
            EXPECT_FALSE(starts_with(line, "info depth 2 ")) << go;
            if (starts_with(line, "info depth 1 seldepth ")) depth_lines++;
        }
        EXPECT_EQ(depth_lines, 2) << go;
        expect_answer_from_last_report(lines);
    }
    quit();
}

TEST_F(Go, ParametersInTheirOrderOfApplication) {
    engine.send("position startpos");
    engine.send("debug on");
    struct Case {
        std::string go;
        Lines diagnostics;  // after the echo, up to "Starting JUX"
    };
    const Case cases[] = {
        {"go winc 2000 binc 0 wtime 60000 btime 60000 depth 1",
         {"info string white has 60000 ms time left", "info string black has 60000 ms time left",
          "info string white increment is 2000", "info string black increment is 0",
          "info string search depth set to 1", "info string Starting JUX"}},
        {"go wtime 60000 btime 30000 movestogo 20 depth 2",
         {"info string white has 60000 ms time left", "info string black has 30000 ms time left",
          "info string moves to go 20", "info string search depth set to 2", "info string Starting JUX"}},
        {"go depth 5 movetime 50",
         {"info string search depth set to 5", "info string movetime 50", "info string Starting JUX"}},
        {"go mate 1", {"info string searching for mate in 1", "info string Starting JUX"}},
        {"go mate 0", {"info string searching for mate in 0", "info string Starting JUX"}},
        {"go nodes 3000", {"info string searching 3000 nodes", "info string Starting JUX"}},
        {"go searchmoves e2e4 d2d4 depth 1",
         {"info string search moves: e2e4 d2d4 depth 1", "info string search depth set to 1",
          "info string Starting JUX"}},
    };
    for (const Case& c : cases) {
        engine.send(c.go);
        const Lines lines = read_until_prefix("bestmove");
        Lines expected = {"info string JUX got " + c.go};
        expected.insert(expected.end(), c.diagnostics.begin(), c.diagnostics.end());
        ASSERT_GE(lines.size(), expected.size()) << c.go;
        EXPECT_EQ(Lines(lines.begin(), lines.begin() + expected.size()), expected) << c.go;
        const std::optional<std::string> ending = engine.read_line();
        ASSERT_TRUE(ending);
        EXPECT_EQ(*ending,
                  "info string Ending JUX with " + lines.back().substr(9, lines.back().find(' ', 9) - 9))
            << c.go;
    }
    quit();
}

TEST_F(Go, NodeLimitIsCheckedEveryTenThousandNodes) {
    const Lines lines =
        search("position fen r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
               "go nodes 5000");
    // The check after 1001 nodes is within the limit; the next one, past
    // 11001 (at the end of the first node of depth 0 or more after that
    // count), ends the search: nothing may come near the third check.
    long most = 0;
    for (const std::string& line : lines) {
        const size_t at = line.find(" nodes ");
        if (at != std::string::npos) most = std::max(most, std::stol(line.substr(at + 7)));
    }
    EXPECT_GT(most, 1000);
    EXPECT_LT(most, 21001);
    expect_answer_from_last_report(lines);
    quit();
}

TEST_F(Go, MoveTimeAndClocksEndTheSearchWithTheLastReportedMove) {
    for (const char* go :
         {"go movetime 100", "go wtime 11000 btime 11000", "go wtime 11000 btime 11000 winc 100 binc 100",
          "go wtime 8000 btime 60000 movestogo 5"}) {
        const Lines lines =
            search("position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7", go);
        ASSERT_TRUE(starts_with(lines.back(), "bestmove ")) << go << ": " << lines.back();
        expect_answer_from_last_report(lines);
    }
    quit();
}

TEST_F(Go, InfiniteRunsUntilStopAndAnswersItsLastReport) {
    engine.send("position startpos");
    engine.send("go infinite");
    Lines lines = read_until_prefix("info depth 5 ");
    ASSERT_TRUE(starts_with(lines.back(), "info depth 5 ")) << lines.back();
    // A running search answers "isready" at once and goes on.
    engine.send("isready");
    Lines more = read_until_prefix("readyok");
    ASSERT_EQ(more.back(), "readyok");
    for (const std::string& line : more) EXPECT_FALSE(starts_with(line, "bestmove")) << line;
    lines.insert(lines.end(), more.begin(), more.end() - 1);
    engine.send("stop");
    more = read_until_prefix("bestmove");
    lines.insert(lines.end(), more.begin(), more.end());
    expect_answer_from_last_report(lines);
    quit();
}

TEST_F(Go, InfiniteSearchThatEndsEarlyHoldsItsAnswerUntilStop) {
    // The node limit ends the search itself after about 11000 nodes.
    engine.send("position startpos");
    engine.send("go infinite nodes 3000");
    pause_ms(300);
    expect_no_answer_yet();
    engine.send("stop");
    const Lines lines = read_until_prefix("bestmove");
    EXPECT_TRUE(starts_with(lines.back(), "bestmove ")) << lines.back();
    quit();
}

TEST_F(Go, PonderAtItsDepthLimitWaitsForPonderhitOrStop) {
    for (const char* release : {"ponderhit", "stop"}) {
        engine.send("position startpos moves e2e4");
        engine.send("go ponder depth 3");
        pause_ms(200);
        expect_no_answer_yet();
        engine.send(release);
        const Lines lines = read_until_prefix("bestmove");
        ASSERT_TRUE(starts_with(lines.back(), "bestmove ")) << release;
        EXPECT_EQ(lines.back().find(" ponder "), lines.back().rfind(" ponder ")) << lines.back();
    }
    quit();
}

TEST_F(Go, PonderhitTurnsThePonderSearchIntoAClockSearch) {
    engine.send("position startpos moves e2e4");
    engine.send("go ponder wtime 11000 btime 11000");
    Lines lines = read_until_prefix("info depth 3 ");
    ASSERT_TRUE(starts_with(lines.back(), "info depth 3 "));
    for (const std::string& line : lines) EXPECT_FALSE(starts_with(line, "bestmove")) << line;
    engine.send("ponderhit");
    const Lines rest = read_until_prefix("bestmove");
    lines.insert(lines.end(), rest.begin(), rest.end());
    expect_answer_from_last_report(lines);
    quit();
}

TEST_F(Go, PositionDuringASearchIsRefusedAndEndsTheEngine) {
    engine.send("position startpos");
    engine.send("go infinite");
    read_until_prefix("info depth 4 ");
    engine.send("position startpos moves e2e4");
    const Lines lines = read_until_prefix("info string position");
    EXPECT_EQ(
        lines.back(),
        "info string position startpos moves e2e4 is not allowed while the engine is searching. Send >stop< "
        "before doing this.");
    EXPECT_EQ(engine.wait_exit(), 1);
}

TEST_F(Go, SearchmovesRestrictsTheRootMoves) {
    const std::set<std::string> allowed = {"a2a3", "h2h3"};
    const Lines lines = search("position startpos", "go depth 6 searchmoves a2a3 h2h3");
    int announced = 0;
    for (const std::string& line : lines) {
        char move[16];
        int number;
        if (std::sscanf(line.c_str(), "info currmove %15s currmovenumber %d", move, &number) == 2) {
            announced++;
            EXPECT_TRUE(allowed.count(move)) << line;
            EXPECT_TRUE(number == 1 || number == 2) << line;
        }
        if (is_report(line)) {
            EXPECT_TRUE(allowed.count(pv_of(line).at(0))) << line;
        }
    }
    EXPECT_GT(announced, 0);
    expect_answer_from_last_report(lines);
    quit();
}

TEST_F(Go, NoLegalMoveAnswersTheNullMove) {
    engine.send("debug on");
    for (const char* fen : {"7k/8/8/8/8/8/1qq5/K7 w - - 0 1", "7k/8/8/8/8/8/2q5/K7 w - - 0 1"}) {
        engine.send(std::string("position fen ") + fen);
        engine.send("go depth 5");
        const Lines lines = read_until_prefix("bestmove");
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[lines.size() - 3], "info string Starting JUX") << fen;
        EXPECT_EQ(lines[lines.size() - 2], "info string No Moves!") << fen;
        EXPECT_EQ(lines.back(), "bestmove 0000") << fen;
    }
    // In an infinite search even that answer waits for "stop".
    engine.send("debug off");
    engine.send("go infinite");
    pause_ms(200);
    expect_no_answer_yet();
    engine.send("stop");
    EXPECT_EQ(read_until_prefix("bestmove").back(), "bestmove 0000");
    quit();
}

TEST_F(Go, MateScoresInTheReports) {
    Lines lines = search("position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", "go depth 1");
    std::string report = last_report(lines);
    EXPECT_TRUE(starts_with(report, "info score mate 1  depth 1 seldepth ")) << report;
    EXPECT_EQ(lines.back(), "bestmove d1d8");
    lines = search("position fen 7k/8/8/8/8/1r6/r7/7K w - - 0 1", "go depth 2");
    report = last_report(lines);
    EXPECT_TRUE(starts_with(report, "info score mate -1   depth 2 seldepth ")) << report;
    EXPECT_EQ(lines.back(), "bestmove h1g1 ponder b3b1");
    quit();
}
