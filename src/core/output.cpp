#include "core/output.h"

#include <cstdarg>
#include <cstdio>

#include "core/options.h"
#include "core/role.h"
#include "platform/exit.h"

namespace {

void end_at_once() {
    end_process(0);
}

// Set once a write has failed, so that nothing is written while the engine
// winds down.
bool output_lost = false;

// A front end that has closed our standard output will never read another
// line or send "quit": end as "quit" would.
void flush_or_quit() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return;
    output_lost = true;
    output_loss.end_engine();
}

}  // namespace

OutputLoss output_loss = {end_at_once};

void send_line(const char* format, ...) {
    if (!role.is_master || output_lost) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    flush_or_quit();
}

void debug_line(const char* format, ...) {
    if (!role.is_master || !options.debug_mode || output_lost) return;
    std::fputs("info string ", stdout);
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    flush_or_quit();
}
