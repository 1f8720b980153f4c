// Cost of the waiting-input test that the search asks once per 10000 nodes,
// and of reading command lines: over an empty pipe (the usual case during a
// search), with a line already buffered, and line reading from a pipe.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>

#include "platform/input.h"

namespace {

struct Pipe {
    Pipe() {
        if (pipe(fds) != 0) fds[0] = fds[1] = -1;
    }
    ~Pipe() {
        close(fds[0]);
        close(fds[1]);
    }
    int fds[2];
};

void BM_WaitingOnEmptyPipe(benchmark::State& state) {
    Pipe p;
    LineInput input = {p.fds[0], 0, 0, false, {}};
    for (auto _ : state) benchmark::DoNotOptimize(input_waiting(input));
}
BENCHMARK(BM_WaitingOnEmptyPipe);

void BM_WaitingWithBufferedLine(benchmark::State& state) {
    Pipe p;
    LineInput input = {p.fds[0], 0, 0, false, {}};
    const char text[] = "stop\nisready\n";
    if (write(p.fds[1], text, sizeof text - 1) < 0) state.SkipWithError("write failed");
    char line[64];
    read_line(input, line, sizeof line);
    for (auto _ : state) benchmark::DoNotOptimize(input_waiting(input));
}
BENCHMARK(BM_WaitingWithBufferedLine);

// Lines of a typical "position" length written and read back through a pipe.
void BM_ReadLines(benchmark::State& state) {
    Pipe p;
    LineInput input = {p.fds[0], 0, 0, false, {}};
    std::string lines;
    for (int i = 0; i < 64; i++) lines += "position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6\n";
    char line[5000];
    for (auto _ : state) {
        if (write(p.fds[1], lines.data(), lines.size()) < 0) state.SkipWithError("write failed");
        for (int i = 0; i < 64; i++) read_line(input, line, sizeof line);
    }
    state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(BM_ReadLines);

}  // namespace
