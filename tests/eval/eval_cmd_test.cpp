// juxtool eval end to end: the output format, batches on standard input,
// refused positions, the terms breakdown and the diagnostic for
// impossible pawn counts.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

// The tool's standard output; exit_status receives its exit status.
std::string run_tool(const std::string& args, const std::string& input = "", int* exit_status = nullptr) {
    std::string command = std::string(JUXTOOL_BINARY) + " eval " + args + " 2>/dev/null";
    if (!input.empty()) command = "printf '" + input + "' | " + command;
    const CommandResult run = run_command(command);
    if (exit_status) *exit_status = run.status;
    return run.output;
}

TEST(JuxtoolEval, ScoresTermsAndDiagnostics) {
    // The start position by default: only the side to move's bonus.
    EXPECT_EQ(run_tool(""), "eval 17\nincheck 0\n");
    EXPECT_EQ(run_tool("4k3/8/8/8/8/8/8/r3K3 w - - 0 1"), "eval -655\nincheck 1\n");
    // One pair per line of standard input, blank lines skipped; a refused
    // position (no kings; a side to move that could take the king) keeps
    // the batch aligned and makes the exit status 2.
    int status = -1;
    EXPECT_EQ(run_tool("-",
                       "k7/8/8/8/8/8/8/KNN5 b - - 0 1\\n\\n"
                       "8/8/8/8/8/8/8/8 w - - 0 1\\n"
                       "4k3/8/8/8/8/8/4Q3/4K3 w - - 0 1\\n"
                       "3bk3/8/8/8/8/8/8/R3K3 w - - 0 1",
                       &status),
              "eval -30\nincheck 0\neval invalid\nincheck -\neval invalid\nincheck -\neval 118\nincheck 0\n");
    EXPECT_EQ(status, 2);
    EXPECT_EQ(run_tool("k6R/8/8/8/8/8/8/K7 w - - 0 1", "", &status), "eval invalid\nincheck -\n");
    EXPECT_EQ(status, 2);
    run_tool("", "", &status);
    EXPECT_EQ(status, 0);
    // The terms of the rook against a lone bishop, worked by hand in the
    // evaluation tests.
    const std::string out = run_tool("--terms 3bk3/8/8/8/8/8/8/R3K3 w - - 0 1");
    EXPECT_EQ(out.rfind("eval 118\nincheck 0\nphase 10 root_phase 10\n", 0), 0u) << out;
    EXPECT_NE(out.find("  total                 64      14\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  ending_rule      rook against minor\n"), std::string::npos) << out;
    // Nine white pawns against none.
    EXPECT_EQ(run_tool("4k3/8/8/8/8/P7/PPPPPPPP/4K3 w - - 0 1").rfind("Pawn broken\neval ", 0), 0u);
}

}  // namespace
