#include "frontend/roles.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/build_info.h"
#include "core/options.h"
#include "core/role.h"
#include "frontend/interpreter.h"
#include "platform/exit.h"
#include "search/hash.h"
#include "search/startup.h"
#include "smp/workers.h"

namespace {

// A format: %d is the default process count, which the build sets.
constexpr const char* USAGE =
    "usage: jux                 run the engine: it speaks UCI on standard input and output\n"
    "       jux --processes N   the same, searching with N processes (1 to 32, default %d)\n"
    "       jux --help          print this text\n"
    "       jux --version       print the version\n"
    "A chess GUI starts jux without arguments. With N processes the engine starts N - 1\n"
    "helpers as \"jux WORKER MASTER_PID\" (WORKER 1 to 31); they are not for hand use.\n";

// The longest master process id a worker carries in its shared-memory names.
constexpr size_t NAME_SUFFIX_DIGITS = sizeof role.name_suffix - 1;

// Digits only, 1 to max_length of them.
bool is_plain_decimal(const char* text, size_t max_length) {
    const size_t length = std::strlen(text);
    if (length == 0 || length > max_length) return false;
    for (size_t i = 0; i < length; i++)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// The one form the spawner uses: a worker number 1..31 (a slot of the share
// block other than the master's) without sign, blanks or leading zero, and
// the master's process id. Anything else is a person at a prompt, who must
// not be left waiting for a pipe no master will make.
bool is_worker_form(int argc, char** argv, int& worker_number) {
    if (argc != 3 || !is_plain_decimal(argv[1], 2) || argv[1][0] == '0') return false;
    if (!is_plain_decimal(argv[2], NAME_SUFFIX_DIGITS)) return false;
    worker_number = std::atoi(argv[1]);
    return worker_number < SHARE_SLOTS;
}

// "--processes N": N in plain decimal, 1 to one process per share-block slot.
bool is_process_count(int argc, char** argv, int& count) {
    if (argc != 3 || std::strcmp(argv[1], "--processes") != 0 || !is_plain_decimal(argv[2], 2)) return false;
    count = std::atoi(argv[2]);
    return count >= 1 && count <= SHARE_SLOTS;
}

void start_worker(int worker_number, const char* master_pid) {
    // Nothing a worker writes should wait in a buffer (it writes nothing
    // to the front end, but a diagnostic must not be held back either).
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    role.is_master = 0;
    std::snprintf(role.name_suffix, sizeof role.name_suffix, "%s", master_pid);
    role.upstream_pipe = open_upstream_pipe(worker_number);
    if (role.upstream_pipe < 0) {
        std::fprintf(stderr, "jux worker %d: no pipe from engine %s\n", worker_number, role.name_suffix);
        end_process(1);
    }
    role.worker_id = worker_number;
    start_worker_chain(worker_number - 1);
}

}  // namespace

void process_entry(int argc, char** argv) {
    // A front end that goes away must not kill us with a signal in the
    // middle of a write; the failed write itself ends the engine cleanly.
    signal(SIGPIPE, SIG_IGN);
    install_front_end_hooks();

    // The geometry and material tables are constant: build them before any
    // command, so that a "position" line sent before "uci" finds its moves.
    init_tables();

    int worker_number = 0, process_count = 0;
    if (argc == 1) {
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
    } else if (is_process_count(argc, argv, process_count)) {
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
        options.process_count = process_count;
    } else if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stdout, USAGE, options.process_count);
        end_process(0);
    } else if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("JUX %s\n", JUX_RELEASE);
        end_process(0);
    } else if (is_worker_form(argc, argv, worker_number)) {
        start_worker(worker_number, argv[2]);
    } else {
        std::fprintf(stderr, USAGE, options.process_count);
        end_process(2);
    }

    // Standard input is never read through the runtime's buffered streams:
    // the line reader keeps its own buffer, which the waiting-input test counts.
    run_interpreter(MAIN_MODE);
    end_process(1);
}
