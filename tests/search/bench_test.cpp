// The bench node counts are a signature: two runs must agree exactly.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The node count of every position and the total, without the timings.
std::vector<std::string> bench_counts(const char* depth) {
    const std::string command = std::string(JUXTOOL_BINARY) + " bench " + depth;
    FILE* out = popen(command.c_str(), "r");
    std::vector<std::string> counts;
    if (!out) return counts;
    char line[512];
    while (std::fgets(line, sizeof line, out)) {
        int index;
        unsigned long long nodes;
        if (std::sscanf(line, "%d %llu nodes", &index, &nodes) == 2)
            counts.push_back(std::to_string(index) + ":" + std::to_string(nodes));
        else if (std::sscanf(line, "nodes %llu", &nodes) == 1)
            counts.push_back("total:" + std::to_string(nodes));
    }
    EXPECT_EQ(pclose(out), 0);
    return counts;
}

}  // namespace

TEST(Bench, NodeCountsAreTheSameInEveryRun) {
    const std::vector<std::string> first = bench_counts("5");
    ASSERT_EQ(first.size(), 31u);  // 30 positions and the total
    EXPECT_EQ(first.back().substr(0, 6), "total:");
    EXPECT_EQ(bench_counts("5"), first);
}
