#include "uci/engine_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <stdexcept>

extern char** environ;

namespace {

double now_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

int remaining_ms(double deadline) {
    double left = deadline - now_ms();
    return left > 0 ? static_cast<int>(left) + 1 : 0;
}

void close_fd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

}  // namespace

EngineProcess::EngineProcess(const std::vector<std::string>& arguments, const char* binary,
                             bool nonblocking_input) {
    int input[2], output[2], errors[2];
    if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0 || pipe2(errors, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    if (nonblocking_input) fcntl(input[0], F_SETFL, fcntl(input[0], F_GETFL) | O_NONBLOCK);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errors[1], 2);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // The engine starts with the signal dispositions a front end gives it,
    // not with the broken-pipe signal ignored as this test process has it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    int spawned = posix_spawn(&pid_, binary, &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(output[1]);
    close(errors[1]);
    to_engine_ = input[1];
    fcntl(to_engine_, F_SETFL, fcntl(to_engine_, F_GETFL) | O_NONBLOCK);
    from_engine_ = output[0];
    errors_from_engine_ = errors[0];
    if (spawned != 0) throw std::runtime_error(std::string("cannot start ") + binary);
    // A test that goes on writing after the engine has ended must see an
    // error, not die of the signal.
    signal(SIGPIPE, SIG_IGN);
}

EngineProcess::~EngineProcess() {
    close_fd(to_engine_);
    close_fd(from_engine_);
    close_fd(errors_from_engine_);
    if (!exit_status_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool EngineProcess::send(const std::string& line) {
    return send_raw(line + "\n");
}

bool EngineProcess::send_raw(const std::string& bytes) {
    // While the engine's input pipe is full, keep its output moving: an
    // engine blocked on writing would never read what we send.
    size_t done = 0;
    while (done < bytes.size()) {
        if (to_engine_ < 0) return false;
        pollfd ready[2] = {{to_engine_, POLLOUT, 0}, {from_engine_, POLLIN, 0}};
        int r = poll(ready, from_engine_ >= 0 && !output_ended_ ? 2 : 1, DEFAULT_TIMEOUT_MS);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        if (ready[1].revents != 0 && !output_ended_) take_output();
        if (ready[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
        if (!(ready[0].revents & POLLOUT)) continue;
        ssize_t n = write(to_engine_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void EngineProcess::take_output() {
    char chunk[4096];
    ssize_t n = read(from_engine_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) return;
    if (n <= 0)
        output_ended_ = true;
    else
        pending_.append(chunk, static_cast<size_t>(n));
}

std::optional<std::string> EngineProcess::read_line(int timeout_ms) {
    double deadline = now_ms() + timeout_ms;
    for (;;) {
        size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        if (output_ended_ || from_engine_ < 0) return std::nullopt;
        pollfd ready = {from_engine_, POLLIN, 0};
        int r = poll(&ready, 1, remaining_ms(deadline));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return std::nullopt;
        take_output();
    }
}

std::vector<std::string> EngineProcess::read_until(const std::string& last, int timeout_ms) {
    double deadline = now_ms() + timeout_ms;
    std::vector<std::string> lines;
    while (std::optional<std::string> line = read_line(remaining_ms(deadline))) {
        lines.push_back(*line);
        if (*line == last) break;
    }
    return lines;
}

std::vector<std::string> EngineProcess::read_until_prefix(const std::string& prefix, int timeout_ms) {
    double deadline = now_ms() + timeout_ms;
    std::vector<std::string> lines;
    while (std::optional<std::string> line = read_line(remaining_ms(deadline))) {
        lines.push_back(*line);
        if (line->compare(0, prefix.size(), prefix) == 0) break;
    }
    return lines;
}

std::vector<std::string> EngineProcess::lines_before_ready(int timeout_ms) {
    send("isready");
    std::vector<std::string> lines = read_until("readyok", timeout_ms);
    if (!lines.empty() && lines.back() == "readyok")
        lines.pop_back();
    else
        lines.push_back("<no readyok>");
    return lines;
}

bool EngineProcess::handshake() {
    send("uci");
    std::vector<std::string> lines = read_until("uciok");
    return !lines.empty() && lines.back() == "uciok";
}

void EngineProcess::close_input() {
    close_fd(to_engine_);
}

void EngineProcess::close_output() {
    close_fd(from_engine_);
}

void EngineProcess::drain_errors(int timeout_ms) {
    double deadline = now_ms() + timeout_ms;
    while (errors_from_engine_ >= 0) {
        pollfd ready = {errors_from_engine_, POLLIN, 0};
        int r = poll(&ready, 1, remaining_ms(deadline));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return;
        char chunk[4096];
        ssize_t n = read(errors_from_engine_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            close_fd(errors_from_engine_);
            return;
        }
        errors_.append(chunk, static_cast<size_t>(n));
    }
}

std::optional<int> EngineProcess::wait_exit(int timeout_ms) {
    double deadline = now_ms() + timeout_ms;
    while (!exit_status_) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (remaining_ms(deadline) == 0) return std::nullopt;
        // Keep the error pipe empty so that the engine cannot block on it.
        if (errors_from_engine_ >= 0)
            drain_errors(10);
        else
            poll(nullptr, 0, 10);
    }
    drain_errors(1000);
    return exit_status_;
}

std::string EngineProcess::error_output() {
    return errors_;
}
