// The real program over pipes; each file of transcripts/ is one session: "> text" sent, "< text" the next
// line written (a final * for any rest), "<<" the same after search reports, "<..." after any lines, "answer"
// the bestmove the last report's pv gives, "pause MS", "raw text" sent without line end, "close
// input|output",
// "! text" a line of standard error, "exit N" the status, with nothing more but search reports.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support.h"
#include "uci/engine_process.h"

namespace {

using Lines = std::vector<std::string>;

bool is_search_report(const std::string& line) {
    return line.starts_with("info ") && !line.starts_with("info string ");
}

bool is_root_report(const std::string& line) {
    return line.starts_with("info score ") && line.find(" depth ") != std::string::npos;
}

std::string answer_of(const std::string& report) {
    char best[16] = "", ponder[16] = "";
    const size_t at = report.find(" pv ");
    const int moves =
        at == std::string::npos ? 0 : std::sscanf(report.c_str() + at, " pv %15s %15s", best, ponder);
    return "bestmove " + std::string(best) + (moves == 2 ? " ponder " + std::string(ponder) : "");
}

bool matches(const std::string& line, const std::string& expected) {
    return expected.ends_with('*') ? line.starts_with(expected.substr(0, expected.size() - 1))
                                   : line == expected;
}

class Transcript : public ::testing::TestWithParam<const char*> {};

TEST_P(Transcript, EveryLineAsWritten) {
    std::ifstream file(std::string(JUX_SOURCE_DIR "/tests/uci/transcripts/") + GetParam() + ".txt");
    ASSERT_TRUE(file.is_open());
    EngineProcess engine;
    std::string errors, report;
    bool ended = false;
    int number = 0;
    for (std::string line; std::getline(file, line);) {
        number++;
        const size_t blank = line.find(' ');
        const std::string kind = line.substr(0, blank), text = line.substr(blank + 1);
        const bool skip_reports = kind == "<<" || kind == "answer" || kind == "exit";
        std::optional<std::string> got;
        if (kind == "<" || kind == "<..." || skip_reports) {
            while ((got = engine.read_line()) &&
                   ((skip_reports && is_search_report(*got)) || (kind == "<..." && !matches(*got, text))))
                if (is_root_report(*got)) report = *got;
        }
        if (kind == ">") {
            engine.send(text);
        } else if (kind == "<" || kind == "<<" || kind == "<...") {
            ASSERT_TRUE(got && matches(*got, text)) << "line " << number << ": " << got.value_or("<nothing>");
        } else if (kind == "answer") {
            ASSERT_EQ(got, answer_of(report)) << "line " << number;
        } else if (kind == "raw") {
            engine.send_raw(text);
        } else if (kind == "close") {
            text == "input" ? engine.close_input() : engine.close_output();
        } else if (kind == "pause") {
            usleep(std::stoi(text) * 1000);
        } else if (kind == "!") {
            errors += text + "\n";
        } else if (kind == "exit") {
            EXPECT_EQ(got, std::nullopt) << "after the end";
            EXPECT_EQ(engine.wait_exit(), std::stoi(text));
            ended = true;
        } else {
            ASSERT_EQ(kind, "#") << "line " << number;
        }
    }
    EXPECT_TRUE(ended) << "no exit line";
    EXPECT_EQ(engine.error_output(), errors);
}

INSTANTIATE_TEST_SUITE_P(Uci, Transcript,
                         ::testing::Values("before_uci", "debug_echo", "options", "positions",
                                           "search_commands", "hash_failure", "go_parameters", "go_answers",
                                           "go_limits", "go_release", "end_of_input",
                                           "end_of_input_searching", "closed_output"),
                         [](const auto& info) { return std::string(info.param); });

// Non-blocking input, as some front ends leave it: a read that finds the pipe empty is not the end.
TEST(Uci, GarbageAndOverlongLinesOnNonBlockingInputLeaveTheEngineAnswering) {
    EngineProcess engine({}, JUX_BINARY, true);
    ASSERT_TRUE(engine.handshake());
    for (int i = 0; i < 3; i++) {
        usleep(50000);
        EXPECT_EQ(engine.lines_before_ready(), Lines{});
    }
    const char garbage[] = "\x01\x02\xff\xfe garbage\n\0\0\n\r\n \t \nog\nposition startpos moves \n";
    engine.send_raw(std::string(garbage, sizeof garbage - 1));
    engine.send_raw("askinfo\r\n");
    EXPECT_EQ(engine.read_line(), "unknowncommand askinfo")
        << "a carriage return before the line end is dropped";
    // The first 4999 characters form the line: the "isready" beyond them is
    // not a command of its own, nor is the rest of a line far longer.
    engine.send("debug on");
    const std::string got = "info string JUX got ";
    for (const std::string& line : {std::string(4999, 'a') + "isready", std::string(200000, 'x')}) {
        engine.send(line);
        EXPECT_EQ(engine.lines_before_ready(), (Lines{got + line.substr(0, 4999), got + "isready"}));
    }
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

// The usage, with the default process count in place of COUNT.
std::string usage() {
    std::string text = read_file(JUX_SOURCE_DIR "/tests/uci/usage.txt");
    return text.replace(text.find("COUNT"), 5, std::to_string(JUX_PROCESS_COUNT));
}

// Sent "quit": a process count starts the engine, which ends at once.
void expect_run(const Lines& arguments, const std::string& output, const std::string& errors, int status) {
    EngineProcess program(arguments);
    program.send("quit");
    std::string text;
    while (std::optional<std::string> line = program.read_line()) text += *line + "\n";
    SCOPED_TRACE(arguments[0] + (arguments.size() > 1 ? " " + arguments[1] : ""));
    EXPECT_EQ(text, output);
    EXPECT_EQ(program.wait_exit(), status);
    EXPECT_EQ(program.error_output(), errors);
}

TEST(CommandLine, ProcessCountHelpAndVersionAreTakenAnythingElseButTheWorkerFormIsRefused) {
    expect_run({"--help"}, usage(), "", 0);
    expect_run({"--version"}, std::string("JUX ") + JUX_PROJECT_VERSION + "\n", "", 0);
    for (const char* count : {"1", "32", "02"}) expect_run({"--processes", count}, "", "", 0);
    const Lines refused[] = {// Not the worker form: a worker number out of 1..31 or not plain decimal,
                             // a suffix that is no process id of at most 11 digits.
                             {"bench", "1"},
                             {"--help", "x"},
                             {"1"},
                             {"1", "123", "4"},
                             {"0", "123"},
                             {"32", "123"},
                             {"+1", "123"},
                             {"01", "123"},
                             {"1", ""},
                             {"1", "../tmp"},
                             {"1", "123456789012"},
                             // A process count out of 1..32, not in plain decimal, or missing.
                             {"--processes"},
                             {"--processes", "0"},
                             {"--processes", "33"},
                             {"--processes", "99999"},
                             {"--processes", "2x"},
                             {"--processes", ""},
                             {"--processes", "2", "1"},
                             {"2", "--processes"}};
    for (const Lines& arguments : refused) expect_run(arguments, "", usage(), 2);
}

}  // namespace
