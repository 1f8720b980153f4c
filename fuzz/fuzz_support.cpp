// The fuzz build's clock, pauses, calendar and process end, and what the targets share.
#include "fuzz_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "book/book.h"
#include "core/role.h"
#include "platform/clock.h"
#include "platform/exit.h"
#include "search/node.h"
#include "search/startup.h"
#include "search/timectl.h"

namespace {

struct FuzzClock {
    double now_ms = 0;
    uint64_t nodes_seen = 0;  // search.node_count at the last reading
} fuzz_clock;

}  // namespace

void reset_fuzz_clock() {
    fuzz_clock = {};
}

double monotonic_ms() {
    const uint64_t nodes = search.node_count;
    if (nodes < fuzz_clock.nodes_seen) fuzz_clock.nodes_seen = 0;  // a new search counts from 0
    fuzz_clock.now_ms += 1 + static_cast<double>(nodes - fuzz_clock.nodes_seen);
    fuzz_clock.nodes_seen = nodes;
    const double limit = timer.hard_limit > timer.target_time ? timer.hard_limit : timer.target_time;
    if (nodes > FUZZ_SEARCH_NODES && fuzz_clock.now_ms <= limit) fuzz_clock.now_ms = limit + 1;
    return fuzz_clock.now_ms;
}

uint32_t calendar_seconds() {
    return 1000000000;
}

void sleep_ms(int milliseconds) {
    if (milliseconds > 0) fuzz_clock.now_ms += milliseconds;
}

void end_process(int status) {
    throw ProcessEnd{status};
}

void start_engine() {
    static bool started = false;
    if (started) return;
    started = true;
    init_tables();
    std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
    std::fflush(stdout);
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
}

const std::string& scratch_book_path() {
    static std::string path;
    if (!path.empty()) return path;
    char directory[] = "/tmp/jux-fuzz-XXXXXX";
    if (!mkdtemp(directory)) std::abort();
    path = std::string(directory) + "/" + BOOK_FILE_NAME;
    std::atexit([] {
        unlink(path.c_str());
        rmdir(path.substr(0, path.rfind('/')).c_str());
    });
    return path;
}

void write_file(const std::string& path, const void* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || (size > 0 && std::fwrite(data, 1, size, file) != size)) std::abort();
    std::fclose(file);
}

void require(bool condition, const char* what, const std::string& detail) {
    if (condition) return;
    std::fprintf(stderr, "fuzz finding: %s: %s\n", what, detail.c_str());
    std::abort();
}
