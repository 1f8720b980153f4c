// Transcripts of "go" through the real engine: the limits, the answer, and
// the commands a running search must take or refuse.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "uci/engine_process.h"

namespace {

using Lines = std::vector<std::string>;

// A root report: "info score ... depth ... pv ...".
bool is_report(const std::string& line) {
    return line.starts_with("info score ") && line.find(" depth ") != std::string::npos;
}

class Go : public ::testing::Test {
   protected:
    // These transcripts are about the search: a book in the directory the
    // suite runs from must not answer for it.
    void SetUp() override {
        ASSERT_TRUE(engine.handshake());
        engine.send("setoption name OwnBook value false");
    }

    // The lines up to the answer; the last is "<no bestmove>" when none came.
    Lines answer() {
        Lines lines = engine.read_until_prefix("bestmove");
        if (lines.empty() || !lines.back().starts_with("bestmove")) lines.push_back("<no bestmove>");
        return lines;
    }
    Lines search(const std::string& position, const std::string& go) {
        engine.send(position);
        engine.send(go);
        return answer();
    }
    // The answer names the first two moves of the last printed report.
    static void expect_answer_from_last_report(const Lines& lines) {
        std::string report;
        for (const std::string& l : lines)
            if (is_report(l)) report = l;
        const size_t at = report.find(" pv ");
        ASSERT_NE(at, std::string::npos) << "no report before " << lines.back();
        char best[16] = "", ponder[16] = "";
        const int moves = std::sscanf(report.c_str() + at, " pv %15s %15s", best, ponder);
        EXPECT_EQ(lines.back(), moves == 2 ? "bestmove " + std::string(best) + " ponder " + ponder
                                           : "bestmove " + std::string(best));
    }
    // While the engine holds its answer (or searches) it still answers
    // "isready" at once; returns what came before "readyok".
    Lines expect_no_answer_yet() {
        const Lines lines = engine.lines_before_ready();
        for (const std::string& line : lines) {
            EXPECT_FALSE(line.starts_with("bestmove")) << line;
            EXPECT_NE(line, "<no readyok>");
        }
        return lines;
    }
    // Every test ends with "quit" and status 0, unless the engine has ended
    // itself with the status expected.
    void TearDown() override {
        if (expected_exit == 0) engine.send("quit");
        EXPECT_EQ(engine.wait_exit(), expected_exit);
    }
    EngineProcess engine;
    int expected_exit = 0;
};

}  // namespace

TEST_F(Go, DepthAndSearchmoves) {
    const std::set<std::string> allowed = {"a2a3", "h2h3"};
    const Lines lines = search("position startpos", "go depth 6 searchmoves a2a3 h2h3");
    ASSERT_TRUE(lines.back().starts_with("bestmove ")) << lines.back();
    EXPECT_EQ(lines.front(), "info depth 1 seldepth 0");
    int depth_lines[100] = {}, depth = 0, announced = 0, bounds = 0;
    for (const std::string& line : lines) {
        int d, number;
        char text[16];
        if (std::sscanf(line.c_str(), "info depth %d seldepth %d%c", &d, &number, text) == 2 && d >= 0 &&
            d < 100) {
            depth_lines[d]++;
            depth = d;
        }
        // The root moves and the bounds of the driver only from depth 6 on;
        // only the moves asked for, and only they are numbered.
        if (std::sscanf(line.c_str(), "info currmove %15s currmovenumber %d", text, &number) == 2) {
            announced++;
            EXPECT_EQ(depth, 6) << line;
            EXPECT_TRUE(allowed.count(text) && (number == 1 || number == 2)) << line;
        }
        if (line.starts_with("info score ") && !is_report(line)) {
            bounds++;
            EXPECT_EQ(depth, 6) << line;
        }
        // Two blanks between the score and the rest, two after each move.
        if (is_report(line)) {
            EXPECT_NE(line.find("  depth "), std::string::npos) << line;
            EXPECT_EQ(line.substr(line.size() - 2), "  ") << line;
            const size_t at = line.find(" pv ") + 4;
            EXPECT_TRUE(allowed.count(line.substr(at, line.find(' ', at) - at))) << line;
        }
    }
    for (int d = 1; d <= 6; d++) EXPECT_EQ(depth_lines[d], 2) << "depth " << d;
    EXPECT_EQ(depth_lines[7], 0);
    EXPECT_GT(announced, 0);
    EXPECT_GT(bounds, 0);
    expect_answer_from_last_report(lines);
}

TEST_F(Go, ParametersInTheirOrderOfApplication) {
    engine.send("position startpos");
    engine.send("debug on");
    const struct {
        std::string go;
        Lines diagnostics;  // after the echo, up to "Starting JUX"
    } cases[] = {
        {"go winc 2000 binc 0 wtime 60000 btime 60000 depth 1",
         {"info string white has 60000 ms time left", "info string black has 60000 ms time left",
          "info string white increment is 2000", "info string black increment is 0",
          "info string search depth set to 1"}},
        {"go wtime 60000 btime 30000 movestogo 20 depth 2",
         {"info string white has 60000 ms time left", "info string black has 30000 ms time left",
          "info string moves to go 20", "info string search depth set to 2"}},
        {"go depth 5 movetime 50", {"info string search depth set to 5", "info string movetime 50"}},
        {"go depth -3", {"info string search depth set to 1"}},
        {"go mate 1", {"info string searching for mate in 1"}},
        {"go mate 0", {"info string searching for mate in 0"}},
        {"go nodes 3000", {"info string searching 3000 nodes"}},
        {"go searchmoves e2e4 d2d4 depth 1",
         {"info string search moves: e2e4 d2d4 depth 1", "info string search depth set to 1"}},
    };
    for (const auto& c : cases) {
        engine.send(c.go);
        const Lines lines = answer();
        Lines expected = {"info string JUX got " + c.go};
        expected.insert(expected.end(), c.diagnostics.begin(), c.diagnostics.end());
        expected.push_back("info string Starting JUX");
        ASSERT_GE(lines.size(), expected.size()) << c.go;
        EXPECT_EQ(Lines(lines.begin(), lines.begin() + expected.size()), expected) << c.go;
        ASSERT_TRUE(lines.back().starts_with("bestmove ")) << c.go;
        EXPECT_EQ(engine.read_line().value_or("<none>"),
                  "info string Ending JUX with " + lines.back().substr(9, lines.back().find(' ', 9) - 9))
            << c.go;
    }
}

TEST_F(Go, LimitsEndTheSearchWithTheLastReportedMove) {
    for (const char* go :
         {"go movetime 100", "go wtime 11000 btime 11000", "go wtime 11000 btime 11000 winc 100 binc 100",
          "go wtime 8000 btime 60000 movestogo 5", "go nodes 5000",
          // Numbers no front end should send still give a short search.
          "go wtime 6000 btime 6000 movestogo -1", "go wtime 60000 btime 60000 movestogo 2147483647",
          "go nodes 0", "go nodes -5"}) {
        const Lines lines =
            search("position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7", go);
        ASSERT_TRUE(lines.back().starts_with("bestmove ")) << go << ": " << lines.back();
        expect_answer_from_last_report(lines);
    }
}

TEST_F(Go, InfiniteAndPonderSearchesAnswerAfterTheirRelease) {
    // The answer is given exactly, or nullptr for the last reported move.
    const struct {
        const char *position, *go, *release, *answer;
    } cases[] = {
        // Still searching: "isready" is answered at once, and the answer
        // comes after "stop", or after "ponderhit" under the clock.
        {"position startpos", "go infinite", "stop", nullptr},
        {"position startpos moves e2e4", "go ponder wtime 11000 btime 11000", "ponderhit", nullptr},
        // A ponder search at its depth limit waits for "ponderhit" or "stop".
        {"position startpos moves e2e4", "go ponder depth 3", "ponderhit", nullptr},
        {"position startpos moves e2e4", "go ponder depth 3", "stop", nullptr},
        // The node limit ends an infinite search after about 11000 nodes.
        {"position startpos", "go infinite nodes 3000", "stop", nullptr},
        // Even the answer without a legal move waits in an infinite search.
        {"position fen 7k/8/8/8/8/8/1qq5/K7 w - - 0 1", "go infinite", "stop", "bestmove 0000"},
    };
    for (const auto& c : cases) {
        engine.send(c.position);
        engine.send(c.go);
        usleep(200 * 1000);  // time to search or to end; nothing below depends on it
        Lines lines = expect_no_answer_yet();
        engine.send(c.release);
        const Lines rest = answer();
        lines.insert(lines.end(), rest.begin(), rest.end());
        if (c.answer) {
            EXPECT_EQ(lines.back(), c.answer);
        } else {
            expect_answer_from_last_report(lines);
        }
    }
}

TEST_F(Go, PositionDuringASearchIsRefusedAndEndsTheEngine) {
    engine.send("position startpos");
    engine.send("go infinite");
    engine.read_until_prefix("info depth 4 ");
    engine.send("position startpos moves e2e4");
    const Lines lines = engine.read_until_prefix("info string position");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(
        lines.back(),
        "info string position startpos moves e2e4 is not allowed while the engine is searching. Send >stop< "
        "before doing this.");
    expected_exit = 1;
}

TEST_F(Go, ShortAnswers) {
    // Mated or stalemated: the null move; mate in one: no ponder move.
    engine.send("debug on");
    for (const char* fen : {"7k/8/8/8/8/8/1qq5/K7 w - - 0 1", "7k/8/8/8/8/8/2q5/K7 w - - 0 1"}) {
        const Lines lines = search(std::string("position fen ") + fen, "go depth 5");
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[lines.size() - 3], "info string Starting JUX") << fen;
        EXPECT_EQ(lines[lines.size() - 2], "info string No Moves!") << fen;
        EXPECT_EQ(lines.back(), "bestmove 0000") << fen;
    }
    engine.send("debug off");
    EXPECT_EQ(search("position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", "go depth 1").back(),
              "bestmove d1d8");
}
