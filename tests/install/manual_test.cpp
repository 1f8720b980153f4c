// The manual pages against the programs: every option the engine announces
// to a GUI, and every juxtool command, has its entry.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "uci/engine_process.h"

namespace {

std::string manual_page(const char* name) {
    std::ifstream in(std::string(JUX_SOURCE_DIR) + "/man/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ManualPage, EveryAnnouncedUciOptionHasItsEntry) {
    const std::string page = manual_page("jux.6.in");
    ASSERT_FALSE(page.empty());
    EngineProcess engine;
    engine.send("uci");
    int options = 0;
    for (const std::string& line : engine.read_until("uciok")) {
        const std::string prefix = "option name ";
        if (line.rfind(prefix, 0) != 0) continue;
        const std::string name = line.substr(prefix.size(), line.find(" type ") - prefix.size());
        EXPECT_NE(page.find("\n.TP\n.B " + name + "\n"), std::string::npos) << name;
        options++;
    }
    EXPECT_EQ(options, 9);
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

TEST(ManualPage, EveryJuxtoolCommandHasItsEntry) {
    const std::string page = manual_page("juxtool.1.in");
    // The usage juxtool prints lists its commands, one per indented line.
    FILE* usage = popen(JUXTOOL_BINARY " 2>&1", "r");
    ASSERT_NE(usage, nullptr);
    char line[512];
    int commands = 0;
    while (std::fgets(line, sizeof line, usage)) {
        std::istringstream words(line);
        std::string first;
        if (line[0] != ' ' || !(words >> first)) continue;
        if (first.rfind("--", 0) != 0) first = first.substr(0, first.find('|'));
        EXPECT_NE(page.find("\n.B juxtool " + (first == "--version" ? "\\-\\-version" : first)), std::string::npos)
            << first;
        commands++;
    }
    pclose(usage);
    EXPECT_EQ(commands, 5);
}

}  // namespace
