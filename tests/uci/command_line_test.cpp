// The command line of the real program: the two options print and end, the
// worker form is the spawner's alone, a process count starts the engine, and
// anything else is refused at once with the usage (no arguments make the
// engine, as every transcript shows).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uci/engine_process.h"

namespace {

const std::string USAGE =
    "usage: jux                 run the engine: it speaks UCI on standard input and output\n"
    "       jux --processes N   the same, searching with N processes (1 to 32, default " +
    std::to_string(JUX_PROCESS_COUNT) +
    ")\n"
    "       jux --help          print this text\n"
    "       jux --version       print the version\n"
    "A chess GUI starts jux without arguments. With N processes the engine starts N - 1\n"
    "helpers as \"jux WORKER MASTER_PID\" (WORKER 1 to 31); they are not for hand use.\n";

// Everything the program writes until its output ends.
std::string all_output(EngineProcess& program) {
    std::string text;
    while (std::optional<std::string> line = program.read_line()) text += *line + "\n";
    return text;
}

TEST(CommandLine, HelpAndVersionPrintAndEndEverythingElseButTheWorkerFormIsRefused) {
    const struct {
        std::vector<std::string> arguments;
        std::string output, errors;
        int status;
    } rows[] = {
        // clang-format off
        {{"--help"}, USAGE, "", 0},
        {{"--version"}, std::string("JUX ") + JUX_PROJECT_VERSION + "\n", "", 0},
        // Not the worker form: a word, one or three arguments, a worker
        // number out of 1..31 or not in plain decimal, a suffix that is not
        // a process id of at most 11 digits.
        {{"bench", "1"}, "", USAGE, 2}, {{"--help", "x"}, "", USAGE, 2}, {{"1"}, "", USAGE, 2},
        {{"1", "123", "4"}, "", USAGE, 2}, {{"0", "123"}, "", USAGE, 2}, {{"32", "123"}, "", USAGE, 2},
        {{"-1", "123"}, "", USAGE, 2}, {{"+1", "123"}, "", USAGE, 2}, {{" 1", "123"}, "", USAGE, 2},
        {{"01", "123"}, "", USAGE, 2}, {{"1x", "123"}, "", USAGE, 2}, {{"1", ""}, "", USAGE, 2},
        {{"1", "../tmp"}, "", USAGE, 2}, {{"1", "a b"}, "", USAGE, 2}, {{"1", "-123"}, "", USAGE, 2},
        {{"1", "123456789012"}, "", USAGE, 2},
        // A process count out of 1..32, not in plain decimal, or missing.
        {{"--processes"}, "", USAGE, 2},
        {{"--processes", "0"}, "", USAGE, 2},
        {{"--processes", "-1"}, "", USAGE, 2},
        {{"--processes", "33"}, "", USAGE, 2},
        {{"--processes", "99999"}, "", USAGE, 2},
        {{"--processes", "2x"}, "", USAGE, 2},
        {{"--processes", "two"}, "", USAGE, 2},
        {{"--processes", ""}, "", USAGE, 2},
        {{"--processes", "+2"}, "", USAGE, 2},
        {{"--processes", "2", "1"}, "", USAGE, 2},
        {{"--processes=2"}, "", USAGE, 2},
        {{"2", "--processes"}, "", USAGE, 2},
        // clang-format on
    };
    for (const auto& r : rows) {
        EngineProcess program(r.arguments);
        const std::string shown = r.arguments[0] + (r.arguments.size() > 1 ? " " + r.arguments[1] : "");
        EXPECT_EQ(all_output(program), r.output) << shown;
        EXPECT_EQ(program.wait_exit(), r.status) << shown;
        EXPECT_EQ(program.error_output(), r.errors) << shown;
    }
}

// A process count within 1..32 makes the engine (the chain tests show what
// more than one process does); 1 is the engine alone.
TEST(CommandLine, AProcessCountStartsTheEngine) {
    for (const char* count : {"1", "32", "02"}) {
        EngineProcess program({"--processes", count});
        EXPECT_TRUE(program.handshake()) << count;
        EXPECT_EQ(program.lines_before_ready(), std::vector<std::string>{}) << count;
        program.send("quit");
        EXPECT_EQ(program.wait_exit(), 0) << count;
        EXPECT_EQ(program.error_output(), "") << count;
    }
}

}  // namespace
