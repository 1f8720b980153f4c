// juxtool eval end to end: the output format, batches on standard input,
// illegal and refused positions, and the diagnostic for impossible pawn
// counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string run_tool(const std::string& args, const std::string& input = "") {
    std::string command = std::string(JUXTOOL_BINARY) + " eval " + args;
    if (!input.empty()) command = "printf '" + input + "' | " + command;
    command += " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "<popen failed>";
    std::string out;
    char buffer[512];
    while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) out += buffer;
    pclose(pipe);
    return out;
}

TEST(JuxtoolEval, StartPositionByDefault) {
    EXPECT_EQ(run_tool(""), "eval 17\nincheck 0\n");
}

TEST(JuxtoolEval, FenFromArguments) {
    EXPECT_EQ(run_tool("3bk3/8/8/8/8/8/8/R3K3 w - - 0 1"), "eval 118\nincheck 0\n");
    const std::string check = run_tool("4k3/8/8/8/8/8/8/r3K3 w - - 0 1");
    EXPECT_NE(check.find("\nincheck 1\n"), std::string::npos) << check;
}

TEST(JuxtoolEval, OnePairPerFenOnStandardInput) {
    const std::string out = run_tool("-",
                                     "8/8/8/8/8/8/8/KN5k w - - 0 1\\n"
                                     "\\n"
                                     "k7/8/8/8/8/8/8/KNN5 w - - 0 1\\n"
                                     "k7/8/8/8/8/8/8/KNN5 b - - 0 1\\n"
                                     "4k3/8/8/8/8/8/4Q3/4K3 w - - 0 1\\n"
                                     "4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(out,
              "eval 0\nincheck 0\n"
              "eval 30\nincheck 0\n"
              "eval -30\nincheck 0\n"
              "eval illegal\nincheck 0\n"
              "eval 17\nincheck 0\n");
}

TEST(JuxtoolEval, RefusedPositionKeepsTheBatchAligned) {
    const std::string out = run_tool("-", "8/8/8/8/8/8/8/8 w - - 0 1\\nk7/8/8/8/8/8/8/KNN5 w - - 0 1\\n");
    EXPECT_EQ(out, "eval invalid\nincheck -\neval 30\nincheck 0\n");
}

TEST(JuxtoolEval, TermsBreakdown) {
    const std::string out = run_tool("--terms 3bk3/8/8/8/8/8/8/R3K3 w - - 0 1");
    EXPECT_EQ(out.rfind("eval 118\nincheck 0\n", 0), 0u) << out;
    EXPECT_NE(out.find("phase 10 root_phase 10\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  activity              40       8\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  safety                14       0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  total                 64      14\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  base                 170\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  ending_rule      rook against minor\n"), std::string::npos) << out;
}

TEST(JuxtoolEval, ImpossiblePawnCountIsReported) {
    // Nine white pawns against none.
    const std::string out = run_tool("4k3/8/8/8/8/P7/PPPPPPPP/4K3 w - - 0 1");
    EXPECT_EQ(out.rfind("Pawn broken\neval ", 0), 0u) << out;
}

}  // namespace
