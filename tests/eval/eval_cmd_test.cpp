// juxtool eval end to end: the output format, batches on standard input, refused positions, the terms.
#include "data_rows.h"

namespace {

TEST(JuxtoolEval, ScoresTermsAndDiagnostics) {
    // A refused position keeps the batch aligned and makes the status 2; nine pawns get a diagnostic.
    const struct {
        const char* input;  // standard input, "" for none
        const char* arguments;
        const char* output;
        int status;
    } rows[] = {
        {"", "", "eval 17\nincheck 0\n", 0},
        {"", "'4k3/8/8/8/8/8/8/r3K3 w - - 0 1'", "eval -655\nincheck 1\n", 0},
        {"k7/8/8/8/8/8/8/KNN5 b - - 0 1\\n\\n8/8/8/8/8/8/8/8 w - - 0 1\\n4k3/8/8/8/8/8/4Q3/4K3 w - - 0 1\\n"
         "3bk3/8/8/8/8/8/8/R3K3 w - - 0 1",
         "-", "eval -30\nincheck 0\neval invalid\nincheck -\neval invalid\nincheck -\neval 118\nincheck 0\n",
         2},
        {"", "'k6R/8/8/8/8/8/8/K7 w - - 0 1'", "eval invalid\nincheck -\n", 2},
        {"", "'4k3/8/8/8/8/P7/PPPPPPPP/4K3 w - - 0 1' 2>&1 | head -1", "Pawn broken\n", 0},
    };
    for (const auto& row : rows) {
        const CommandResult run = run_command(std::string("printf '") + row.input + "' | " + JUXTOOL_BINARY +
                                              " eval " + row.arguments + " 2>/dev/null");
        EXPECT_EQ(run.output, row.output) << row.arguments;
        EXPECT_EQ(run.status, row.status) << row.arguments;
    }
    // The ending and pawn terms the bench positions never reach, and a rook against a lone bishop.
    for (const auto& row : data_rows("eval/data/terms.txt")) {
        const std::string out = run_command(std::string(JUXTOOL_BINARY) + " eval --terms " + row[0]).output;
        std::string lines = "\n";
        for (const char c : out)
            if (c != ' ' || (lines.back() != ' ' && lines.back() != '\n')) lines += c;
        EXPECT_NE(lines.find("\n" + row[1] + "\n"), std::string::npos) << row[0] << "\n" << out;
    }
}

}  // namespace
