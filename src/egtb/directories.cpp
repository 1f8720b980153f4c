#include "egtb/directories.h"

#include <cstdarg>
#include <cstdio>

#include "core/output.h"
#include "platform/exit.h"

TablebaseFailure tablebase_failure;

void end_after_tablebase_failure() {
    if (tablebase_failure.release_shared_blocks) tablebase_failure.release_shared_blocks();
    end_process(1);
}

void split_tablebase_path(const char* path, TablebaseDirectories& out) {
    std::snprintf(out.text, sizeof out.text, "%s", path);
    out.count = 0;
    out.dir[out.count++] = out.text;
    for (char* c = out.text; *c; c++) {
        if (*c != ',' && *c != ';') continue;
        *c = '\0';
        if (out.count < MAX_TABLEBASE_DIRECTORIES) out.dir[out.count++] = c + 1;
    }
}

bool join_tablebase_file_name(char* out, int size, const char* dir, const char* name) {
    int written = std::snprintf(out, size, "%s%s%s", dir, *dir ? "/" : "", name);
    return written >= 0 && written < size;
}

void tablebase_registration_failed(const char* format, ...) {
    char line[1200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    send_line("%s", line);
    end_after_tablebase_failure();
}
