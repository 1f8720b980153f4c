// The bench node count is a signature: two runs must agree exactly.
#include <gtest/gtest.h>

#include <cstdio>

namespace {

// The node total of "juxtool bench 5" over its 30 positions; 0 when missing.
unsigned long long bench_nodes() {
    FILE* out = popen(JUXTOOL_BINARY " bench 5", "r");
    if (!out) return 0;
    char line[512];
    unsigned long long nodes = 0;
    int positions = 0, index = 0;
    while (std::fgets(line, sizeof line, out)) {
        if (std::sscanf(line, "%d %llu nodes", &index, &nodes) == 2) positions++;
        if (std::sscanf(line, "nodes %llu", &nodes) == 1) break;
    }
    EXPECT_EQ(pclose(out), 0);
    EXPECT_EQ(positions, 30);
    return nodes;
}

}  // namespace

TEST(Bench, NodeCountIsTheSameInEveryRun) {
    const unsigned long long first = bench_nodes();
    EXPECT_GT(first, 0u);
    EXPECT_EQ(bench_nodes(), first);
}
