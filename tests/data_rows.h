// Table rows kept in data files next to the tests that use them.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support.h"

// The rows of a data file under tests/: fields split at " | "; blank lines and "#" lines are skipped.
inline std::vector<std::vector<std::string>> data_rows(const std::string& name) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(read_file(std::string(JUX_SOURCE_DIR) + "/tests/" + name));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        rows.emplace_back();
        for (size_t start = 0, bar = 0; bar != std::string::npos; start = bar + 3) {
            bar = line.find(" | ", start);
            rows.back().push_back(line.substr(start, bar - start));
        }
    }
    EXPECT_FALSE(rows.empty()) << name;
    return rows;
}
