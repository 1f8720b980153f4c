#include "frontend/roles.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/geometry.h"
#include "frontend/command_text.h"
#include "frontend/interpreter.h"
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
        role.upstream_pipe = open_upstream_pipe(worker_number);
        role.worker_id = worker_number;
        start_worker_chain(worker_number - 1);
    } else {
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
    }

    // Standard input is never read through the runtime's buffered streams:
    // the line reader keeps its own buffer, which the waiting-input test counts.
    run_interpreter(0);
    std::exit(1);
}
