#include "frontend/roles.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "board/geometry.h"
#include "frontend/command_text.h"
#include "frontend/interpreter.h"
#include "platform/exit.h"
#include "search/hash.h"
#include "smp/workers.h"

ProcessRole role = {1, 0, "", -1, 0, 0};

void process_entry(int argc, char** argv) {
    // A front end that goes away must not kill us with a signal in the
    // middle of a write; the failed write itself ends the engine cleanly.
    signal(SIGPIPE, SIG_IGN);

    // The geometry and material tables are constant: build them before any
    // command, so that a "position" line sent before "uci" finds its moves.
    init_tables();

    if (argc == 3) {
        // Nothing a worker writes should wait in a buffer (it writes nothing
        // to the front end, but a diagnostic must not be held back either).
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        role.is_master = 0;
        int worker_number = read_decimal(argv[1]);
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "%s", argv[2]);
        // The number is also the worker's slot in the share block.
        if (worker_number < 0 || worker_number >= SHARE_SLOTS) {
            std::fprintf(stderr, "jux worker %s: no such worker number\n", argv[1]);
            end_process(1);
        }
        role.upstream_pipe = open_upstream_pipe(worker_number);
        if (role.upstream_pipe < 0) {
            std::fprintf(stderr, "jux worker %d: no pipe from engine %s\n", worker_number, role.name_suffix);
            end_process(1);
        }
        role.worker_id = worker_number;
        start_worker_chain(worker_number - 1);
    } else {
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
    }

    // Standard input is never read through the runtime's buffered streams:
    // the line reader keeps its own buffer, which the waiting-input test counts.
    run_interpreter(0);
    end_process(1);
}
