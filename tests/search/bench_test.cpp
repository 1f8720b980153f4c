// The bench node counts are a signature: two runs must agree exactly.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// The lines that carry node counts ("<n> <nodes> nodes ...", "nodes <total>"),
// cut before any timing that follows the count.
std::string bench_counts() {
    FILE* out = popen(JUXTOOL_BINARY " bench 5", "r");
    std::string counts;
    if (!out) return counts;
    char line[512];
    while (std::fgets(line, sizeof line, out)) {
        int index;
        unsigned long long nodes;
        if (std::sscanf(line, "%d %llu nodes", &index, &nodes) == 2)
            counts += std::to_string(index) + ":" + std::to_string(nodes) + " ";
        else if (std::sscanf(line, "nodes %llu", &nodes) == 1)
            counts += "total:" + std::to_string(nodes);
    }
    EXPECT_EQ(pclose(out), 0);
    return counts;
}

}  // namespace

TEST(Bench, NodeCountsAreTheSameInEveryRun) {
    const std::string first = bench_counts();
    EXPECT_NE(first.find("30:"), std::string::npos) << first;  // 30 positions
    EXPECT_NE(first.find(" total:"), std::string::npos) << first;
    EXPECT_EQ(bench_counts(), first);
}
