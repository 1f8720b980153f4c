// Shared set-up for the tablebase tests: where the real table files are,
// registration of a path, probes of FEN positions, and runs in a child
// process for the registrations that end the engine.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "board/board_fixture.h"
#include "egtb/tbprobe.h"
#include "frontend/options.h"
#include "frontend/roles.h"

// The real Gaviota and Syzygy files: ../shared/tb beside the repository.
inline std::string shared_tablebases() {
    for (std::string candidate :
         {std::string(JUX_SOURCE_DIR) + "/../shared/tb", std::string("/work/shared/tb")}) {
        if (std::filesystem::is_directory(candidate + "/gaviota") &&
            std::filesystem::is_directory(candidate + "/syzygy")) {
            return std::filesystem::canonical(candidate).string();
        }
    }
    return "";
}
inline std::string gaviota_dir() {
    return shared_tablebases() + "/gaviota";
}
inline std::string syzygy_dir() {
    return shared_tablebases() + "/syzygy";
}

#define REQUIRE_SHARED_TABLEBASES()                                                              \
    do {                                                                                         \
        if (shared_tablebases().empty()) {                                                       \
            GTEST_SKIP() << "no tablebase files in ../shared/tb beside the repository: skipped"; \
        }                                                                                        \
    } while (0)

// Registers the tables under path (as "setoption name NalimovPath" does) and
// returns the class found.
inline int register_tablebase_path(const std::string& path, int cache_kb = 1024) {
    std::snprintf(options.nalimov_path, sizeof options.nalimov_path, "%s", path.c_str());
    return tb_probe(TB_REGISTER, cache_kb);
}

// The probe of the position a FEN describes, with its en-passant square.
inline int probe_fen(const char* fen) {
    setup_position(fen);
    return tb_probe(pos.side_to_move, pos.ep_square);
}

// What a child process wrote to standard output and how it ended.
struct ChildRun {
    std::string output;
    int exit_status;  // -1 when a signal ended it
};

// Runs body in a child process that speaks as the master; a body that
// returns ends the child with status 100.
template <class Body>
ChildRun run_in_child(Body body) {
    int fds[2];
    if (pipe(fds) != 0) return {"pipe failed", -1};
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], 1);
        close(fds[1]);
        role.is_master = 1;
        body();
        std::fflush(stdout);
        _exit(100);
    }
    close(fds[1]);
    ChildRun run{"", -1};
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) run.output.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
    return run;
}
