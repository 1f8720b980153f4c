#include "platform/process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace {

void close_range_of(unsigned first, unsigned last) {
    if (first > last) return;
#ifdef SYS_close_range
    if (syscall(SYS_close_range, first, last, 0) == 0) return;
#endif
    long limit = sysconf(_SC_OPEN_MAX);
    if (limit < 0 || limit > 65536) limit = 65536;
    for (unsigned fd = first; fd <= last && fd < static_cast<unsigned>(limit); fd++)
        close(static_cast<int>(fd));
}

// What the two children report to the starter, one record per write (a
// write this small reaches the pipe whole).
struct StartReport {
    int32_t kind;  // REPORT_PID or REPORT_EXEC_ERROR
    int32_t value;
};
constexpr int32_t REPORT_PID = 1;
constexpr int32_t REPORT_EXEC_ERROR = 2;

// Only calls that are safe between fork and exec: the caller may have threads.
void report(int fd, int32_t kind, int32_t value) {
    StartReport r = {kind, value};
    while (write(fd, &r, sizeof r) < 0 && errno == EINTR) {
    }
}

// The detached process itself: its own session, quiet standard streams,
// nothing else of the starter's, then the program.
[[noreturn]] void become_program(const char* program, char* const argv[], int report_fd) {
    setsid();
    // A starter without standard streams can have its report pipe there.
    if (report_fd <= 2) {
        int moved = fcntl(report_fd, F_DUPFD_CLOEXEC, 3);
        if (moved >= 0) report_fd = moved;
    }
    int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        if (null_fd > 2) close(null_fd);
    }
    close_descriptors_except(report_fd);
    execve(program, argv, environ);
    report(report_fd, REPORT_EXEC_ERROR, errno);
    _exit(127);
}

}  // namespace

void close_descriptors_except(int keep) {
    const unsigned first = 3;
    if (keep < static_cast<int>(first)) {
        close_range_of(first, ~0U);
        return;
    }
    close_range_of(first, static_cast<unsigned>(keep) - 1);
    close_range_of(static_cast<unsigned>(keep) + 1, ~0U);
}

bool own_executable_path(char* out, int size) {
    if (size <= 1) return false;
    ssize_t n = readlink("/proc/self/exe", out, static_cast<size_t>(size - 1));
    if (n <= 0) return false;
    out[n] = 0;
    return true;
}

int start_detached_process(const char* program, char* const argv[]) {
    // The running executable through the kernel's own link: a worker is
    // always the same build as its master, even after an upgrade on disk.
    if (program == nullptr) program = "/proc/self/exe";

    int reports[2];
    if (pipe2(reports, O_CLOEXEC) != 0) return -1;
    // Two forks: the middle process ends at once, so the program is nobody's
    // child here and the starter never has to collect it.
    pid_t middle = fork();
    if (middle < 0) {
        close(reports[0]);
        close(reports[1]);
        return -1;
    }
    if (middle == 0) {
        close(reports[0]);
        pid_t started = fork();
        if (started == 0) become_program(program, argv, reports[1]);
        report(reports[1], REPORT_PID, started < 0 ? -1 : started);
        _exit(0);
    }
    close(reports[1]);
    int status;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }

    // The pipe ends when the middle process has gone and the program has
    // been loaded (the descriptor closes on exec) or has failed.
    int pid = -1;
    bool exec_failed = false;
    StartReport r;
    for (;;) {
        ssize_t n = read(reports[0], &r, sizeof r);
        if (n < 0 && errno == EINTR) continue;
        if (n != static_cast<ssize_t>(sizeof r)) break;
        if (r.kind == REPORT_PID) pid = r.value;
        if (r.kind == REPORT_EXEC_ERROR) exec_failed = true;
    }
    close(reports[0]);
    return exec_failed ? -1 : pid;
}

void stop_process(int pid) {
    if (pid > 0) kill(pid, SIGKILL);
}

bool process_running(int pid) {
    if (pid <= 0) return false;
    if (kill(pid, 0) != 0 && errno != EPERM) return false;
    // A process that has ended but waits to be collected still answers kill.
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
    FILE* f = std::fopen(path, "re");
    if (f == nullptr) return true;
    char text[512];
    size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    text[n] = 0;
    // The state follows the last ')' of the command name.
    const char* close_paren = std::strrchr(text, ')');
    if (close_paren == nullptr || close_paren[1] != ' ') return true;
    const char state = close_paren[2];
    return state != 'Z' && state != 'X';
}

namespace {

struct GuardedNames {
    const char* const* shm_names;
    int shm_count;
    const char* const* paths;
    int path_count;
};

// The guard itself, between fork and nothing: only calls that are safe in
// the child of a process that may have threads.
[[noreturn]] void run_guard(int watch_fd, const GuardedNames& names) {
    setsid();
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    const int ignored[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE};
    for (int s : ignored) sigaction(s, &ignore, nullptr);
    prctl(PR_SET_NAME, "jux-guard");
    // Nothing of the starter's is kept: a front end waiting for the end of
    // the engine's output, or a worker for the end of its pipe, must see it.
    const int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
        for (int fd = 0; fd <= 2; fd++)
            if (fd != watch_fd) dup2(null_fd, fd);
        if (null_fd > 2 && null_fd != watch_fd) close(null_fd);
    }
    close_descriptors_except(watch_fd);
    if (chdir("/") != 0) {
    }
    // Nobody writes: the read returns when the last write end has closed,
    // that is when the starter has ended.
    for (;;) {
        char byte;
        const ssize_t n = read(watch_fd, &byte, 1);
        if (n == 0 || (n < 0 && errno != EINTR)) break;
    }
    for (int i = 0; i < names.shm_count; i++) shm_unlink(names.shm_names[i]);
    for (int i = 0; i < names.path_count; i++) unlink(names.paths[i]);
    _exit(0);
}

}  // namespace

bool start_name_guard(const char* const shm_names[], int shm_count, const char* const paths[], int path_count,
                      NameGuard& guard) {
    guard = {-1, -1};
    int watch[2];
    if (pipe2(watch, O_CLOEXEC) != 0) return false;
    const pid_t pid = fork();
    if (pid == 0) {
        close(watch[1]);
        run_guard(watch[0], {shm_names, shm_count, paths, path_count});
    }
    close(watch[0]);
    if (pid < 0) {
        close(watch[1]);
        return false;
    }
    guard = {pid, watch[1]};
    return true;
}

void dismiss_name_guard(NameGuard& guard) {
    if (guard.pid > 0) {
        kill(guard.pid, SIGKILL);
        while (waitpid(guard.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    if (guard.watch_fd >= 0) close(guard.watch_fd);
    guard = {-1, -1};
}
