#include "smp/workers.h"

#include <limits.h>

#include <cstdio>

#include "board/geometry.h"
#include "board/position.h"
#include "core/options.h"
#include "core/output.h"
#include "core/role.h"
#include "platform/clock.h"
#include "platform/exit.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "platform/shm.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/ordering.h"

WorkerLink worker_link = {-1, 0};

namespace {

constexpr int CONNECT_RETRY_MS = 10;
// A worker's read that finds no writer yet tries again after this pause.
constexpr int NO_DATA_PAUSE_MS = 50;
// How long an ending master may take from closing its pipes to being gone.
constexpr int MASTER_EXIT_WAIT_MS = 1000;

struct Upstream {
    double opened_ms;  // when this worker opened its pipe
    bool heard;        // a byte has come: the master was connected
    bool named;        // the pipe may still have its name, which this worker removes
    char path[PIPE_PATH_SIZE];
};
Upstream upstream = {0, false, false, ""};

// Empty: the running executable.
char worker_program[PATH_MAX] = "";

// The started worker must open its end while it still runs; a worker that
// cannot make it in time is ended, so that nothing of it lingers.
int wait_for_worker(const char* path, int pid) {
    const double deadline = monotonic_ms() + WORKER_CONNECT_TIMEOUT_MS;
    for (;;) {
        int fd = pipe_open_writer(path);
        if (fd >= 0) return fd;
        if (fd == PIPE_FAILED || !process_running(pid) || monotonic_ms() >= deadline) break;
        sleep_ms(CONNECT_RETRY_MS);
    }
    stop_process(pid);
    return PIPE_FAILED;
}

void connect_next_worker(int count) {
    debug_line("Creating Remote Pipe\n");
    char path[PIPE_PATH_SIZE];
    if (!pipe_path(path, sizeof path, count, role.name_suffix) || !pipe_create(path)) {
        debug_line("no pipe for worker %d\n", count);
        return;
    }
    char number[16];
    std::snprintf(number, sizeof number, "%d", count);
    char shown[PATH_MAX];
    if (worker_program[0] != 0)
        std::snprintf(shown, sizeof shown, "%s", worker_program);
    else if (!own_executable_path(shown, sizeof shown))
        std::snprintf(shown, sizeof shown, "jux");
    char* argv[] = {shown, number, role.name_suffix, nullptr};
    const int pid = start_detached_process(worker_program[0] != 0 ? worker_program : nullptr, argv);
    debug_line("Spawned (%s %s) %d\n", number, role.name_suffix, pid);

    const int fd = pid > 0 ? wait_for_worker(path, pid) : PIPE_FAILED;
    // Both ends are open (or never will be): the name has done its work.
    pipe_remove(path);
    if (fd < 0) {
        debug_line("worker %d did not connect, searching without it\n", count);
        return;
    }
    worker_link.downstream_pipe = fd;
    worker_link.has_downstream = 1;
}

// The master keeps the names of its blocks while it has workers and removes
// them when it releases its tables; should it die instead, its guard removes
// them. A worker that finds it gone does the same, in case the guard went
// with it.
void remove_master_block_names() {
    static const char* const suffixes[] = {"_bttable", "_wttable", "_bptable", "_wptable", "_share_entry"};
    char name[64];
    for (const char* suffix : suffixes) {
        shared_block_name(name, sizeof name, suffix);
        shm_remove(name);
    }
}

// The starter removes the pipe's name once it has its end open. Should it
// die before that, the name is this worker's to remove: once a byte or the
// end has come (both ends were open), or when it gives up waiting.
void forget_upstream_name() {
    if (upstream.named) pipe_remove(upstream.path);
    upstream.named = false;
}

// The engine this worker belongs to has gone when its master has: its name
// suffix is the master's process id.
bool master_gone() {
    const char* suffix = role.name_suffix;
    int pid = 0;
    for (const char* c = suffix; *c; c++) {
        if (*c < '0' || *c > '9' || pid > 99999999) return false;
        pid = pid * 10 + (*c - '0');
    }
    return pid > 0 && !process_running(pid);
}

// A worker does not know its place in the chain (the number of processes is
// the master's choice), so when its upstream ends it asks whether the master
// has gone. The pipe closes while the master is still on its way out: give it
// a moment before deciding that it lives on.
bool master_has_ended() {
    const double deadline = monotonic_ms() + MASTER_EXIT_WAIT_MS;
    while (!master_gone()) {
        if (monotonic_ms() >= deadline) return false;
        sleep_ms(CONNECT_RETRY_MS);
    }
    return true;
}

}  // namespace

void start_worker_chain(int count) {
    // The old chain has been told to quit; it still reads what is in the pipe.
    if (worker_link.has_downstream) pipe_close(worker_link.downstream_pipe);
    worker_link = {-1, 0};
    if (count > 0) connect_next_worker(count);
    role.read_from_pipe = 1 - role.is_master;
}

void open_shared_tables(int megabytes) {
    if (hash_tables.held) release_tables();
    // In a worker this only sets the dimensions, which must match the master's.
    create_tables(megabytes_to_kilobytes(megabytes), options.tablebase_pieces);
    if (!attach_tables()) {
        // Searching without the shared tables would help nobody.
        std::fprintf(stderr, "jux worker %d: cannot open the shared tables of engine %s\n", role.worker_id,
                     role.name_suffix);
        close_worker_pipes();
        end_process(1);
    }
    // The master cleared the tables when it made them. A worker reads its
    // Hash line only after the master has answered "readyok", so the
    // master may already be searching: clearing here would wipe its work.
    clear_history();
}

void write_downstream(const char* text) {
    if (worker_link.has_downstream) pipe_write(worker_link.downstream_pipe, text);
}

int open_upstream_pipe(int worker_number) {
    char path[PIPE_PATH_SIZE];
    if (!pipe_path(path, sizeof path, worker_number, role.name_suffix)) return -1;
    // The starter made the pipe before starting us; when it is not there, the
    // starter has given up on us (or there is no starter at all).
    const double deadline = monotonic_ms() + UPSTREAM_WAIT_MS;
    for (;;) {
        const int fd = pipe_open_reader(path);
        if (fd >= 0) {
            upstream = {monotonic_ms(), false, true, ""};
            std::snprintf(upstream.path, sizeof upstream.path, "%s", path);
            return fd;
        }
        if (monotonic_ms() >= deadline) return -1;
        sleep_ms(NO_DATA_PAUSE_MS);
    }
}

bool read_upstream_line(char* line, int size) {
    int length = 0;
    for (;;) {
        const int c = pipe_read_byte(role.upstream_pipe);
        if (c >= 0) {
            upstream.heard = true;
            forget_upstream_name();
            if (c == '\n') break;
            if (length < size - 1) line[length++] = static_cast<char>(c);
            continue;
        }
        // Once the starter was connected, an empty read means it has gone
        // and nothing more will come. Every process closes its pipe only
        // after "quit" or on its way out, so a master that has gone too died
        // without removing its names.
        if (c == PIPE_END || upstream.heard) {
            forget_upstream_name();
            if (master_has_ended()) remove_master_block_names();
            return false;
        }
        if (master_gone() || monotonic_ms() - upstream.opened_ms >= UPSTREAM_WAIT_MS) {
            std::fprintf(stderr, "jux worker %d: no commands came from engine %s\n", role.worker_id,
                         role.name_suffix);
            forget_upstream_name();
            close_worker_pipes();
            end_process(1);
        }
        sleep_ms(NO_DATA_PAUSE_MS);
    }
    if (size > 0) line[length] = 0;
    return true;
}

void close_worker_pipes() {
    if (worker_link.has_downstream) pipe_close(worker_link.downstream_pipe);
    worker_link = {-1, 0};
    if (role.read_from_pipe) {
        pipe_close(role.upstream_pipe);
        role.upstream_pipe = -1;
    }
}

void set_worker_program(const char* path) {
    std::snprintf(worker_program, sizeof worker_program, "%s", path != nullptr ? path : "");
}
