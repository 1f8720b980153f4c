/* Default sanitizer settings compiled into every program of a sanitizer build
 * (cmake -DJUX_SANITIZE=ON). The runtimes read these before the environment,
 * so ASAN_OPTIONS and UBSAN_OPTIONS can still add to them.
 *
 * The first finding ends the process with a status of its own, so that a test
 * that expects the engine's status 0 or 1 cannot mistake a report for either.
 * The leak check stays on: the engine keeps its memory in globals until it
 * exits, which the check does not count as a leak, so a report means memory
 * that nothing points to any more. An allocation that cannot be had returns
 * NULL, as it does without the sanitizer: the engine answers a hash or cache
 * size it cannot get, and that answer is tested. */
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>

#define JUX_TEXT(x) #x
#define JUX_NUMBER_TEXT(x) JUX_TEXT(x)
#define JUX_EXIT_CODE JUX_NUMBER_TEXT(JUX_SANITIZER_EXIT_CODE)

const char* __asan_default_options(void);
const char* __ubsan_default_options(void);

const char* __asan_default_options(void) {
    return "halt_on_error=1:abort_on_error=0:exitcode=" JUX_EXIT_CODE
           ":allocator_may_return_null=1:detect_leaks=1:detect_stack_use_after_return=1"
           ":check_initialization_order=1:strict_init_order=1";
}

const char* __ubsan_default_options(void) {
    return "halt_on_error=1:print_stacktrace=1:exitcode=" JUX_EXIT_CODE;
}

/* With gcc the undefined-behaviour checker is a library of its own beside the
 * address checker, and inside it never applies the log_path of UBSAN_OPTIONS:
 * its reports would go to standard error, where a test that reads only the
 * output of the program it starts does not see them. Hand it the path. */
__attribute__((constructor)) static void send_ubsan_reports_to_log_path(void) {
    const char* options = getenv("UBSAN_OPTIONS");
    const char* start = options ? strstr(options, "log_path=") : NULL;
    if (!start) return;
    start += strlen("log_path=");
    char path[4096];
    size_t length = strcspn(start, ":");
    if (length == 0 || length >= sizeof path) return;
    memcpy(path, start, length);
    path[length] = 0;
    void* ubsan = dlopen("libubsan.so.1", RTLD_NOW | RTLD_NOLOAD);
    if (!ubsan) return;
    void (*set_report_path)(const char*) = (void (*)(const char*))dlsym(ubsan, "__sanitizer_set_report_path");
    if (set_report_path) set_report_path(path);
    dlclose(ubsan);
}
