#include "frontend/output.h"

#include <cstdarg>
#include <cstdio>

#include "frontend/options.h"
#include "frontend/roles.h"

void send_line(const char* format, ...) {
    if (!role.is_master) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
}

void debug_line(const char* format, ...) {
    if (!role.is_master || !options.debug_mode) return;
    std::fputs("info string ", stdout);
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
}
