#include "uci/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point deadline_in(int timeout_ms) {
    return Clock::now() + std::chrono::milliseconds(timeout_ms);
}

int remaining_ms(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) + 1 : 0;
}

// Waits until fd is readable and appends one chunk to text; closes fd at its end. False on time-out.
bool read_chunk(int& fd, std::string& text, int timeout_ms) {
    pollfd ready = {fd, POLLIN, 0};
    if (poll(&ready, 1, timeout_ms) <= 0) return false;
    char chunk[4096];
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0)
        EngineProcess::close_fd(fd);
    else
        text.append(chunk, static_cast<size_t>(n));
    return true;
}

}  // namespace

void EngineProcess::close_fd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

EngineProcess::EngineProcess(const Lines& arguments, const char* binary, bool nonblocking_input) {
    int input[2], output[2];
    errors_file_ = std::tmpfile();  // a file never fills up
    if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0 || errors_file_ == nullptr)
        throw std::runtime_error("cannot make the engine's pipes");
    fcntl(fileno(errors_file_), F_SETFD, FD_CLOEXEC);
    if (nonblocking_input) fcntl(input[0], F_SETFL, O_NONBLOCK);
    std::vector<char*> argv = {const_cast<char*>(binary)};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(input[0], 0);
        dup2(output[1], 1);
        dup2(fileno(errors_file_), 2);
        signal(SIGPIPE, SIG_DFL);  // the engine gets the signal a front end would give it
        execv(binary, argv.data());
        _exit(127);
    }
    close(input[0]);
    close(output[1]);
    to_engine_ = input[1];
    from_engine_ = output[0];
    if (pid_ < 0) throw std::runtime_error(std::string("cannot start ") + binary);
    signal(SIGPIPE, SIG_IGN);  // writing to an ended engine must give an error here
}

EngineProcess::~EngineProcess() {
    close_fd(to_engine_);
    close_fd(from_engine_);
    std::fclose(errors_file_);
    if (!exit_status_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool EngineProcess::send_raw(const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = to_engine_ < 0 ? -1 : write(to_engine_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::optional<std::string> EngineProcess::read_line(int timeout_ms) {
    const auto deadline = deadline_in(timeout_ms);
    size_t end;
    while ((end = pending_.find('\n')) == std::string::npos)
        if (from_engine_ < 0 || !read_chunk(from_engine_, pending_, remaining_ms(deadline)))
            return std::nullopt;
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    return line;
}

EngineProcess::Lines EngineProcess::read_lines(const std::string& last, bool prefix, int timeout_ms) {
    const auto deadline = deadline_in(timeout_ms);
    Lines lines;
    while (std::optional<std::string> line = read_line(remaining_ms(deadline))) {
        lines.push_back(*line);
        if (prefix ? line->starts_with(last) : *line == last) break;
    }
    return lines;
}

EngineProcess::Lines EngineProcess::lines_before_ready(int timeout_ms) {
    send("isready");
    Lines lines = read_until("readyok", timeout_ms);
    if (!lines.empty() && lines.back() == "readyok")
        lines.pop_back();
    else
        lines.push_back("<no readyok>");
    return lines;
}

bool EngineProcess::handshake() {
    send("uci");
    const Lines lines = read_until("uciok");
    return !lines.empty() && lines.back() == "uciok";
}

std::optional<int> EngineProcess::wait_exit(int timeout_ms) {
    const auto deadline = deadline_in(timeout_ms);
    for (int status = 0; !exit_status_;) {
        if (waitpid(pid_, &status, WNOHANG) == pid_)
            exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        else if (remaining_ms(deadline) == 0)
            return std::nullopt;
        else
            poll(nullptr, 0, 10);
    }
    return exit_status_;
}

std::string EngineProcess::error_output() {
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = pread(fileno(errors_file_), chunk, sizeof chunk, text.size())) > 0;)
        text.append(chunk, static_cast<size_t>(n));
    return text;
}
