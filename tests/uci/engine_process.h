// The real engine program with pipes on its standard streams; time-outs only keep a hang out of the suite.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

class EngineProcess {
   public:
    static constexpr int DEFAULT_TIMEOUT_MS = 20000;
    using Lines = std::vector<std::string>;

    // nonblocking_input: the engine's input in non-blocking mode, as some front ends leave it.
    explicit EngineProcess(const Lines& arguments = {}, const char* binary = JUX_BINARY,
                           bool nonblocking_input = false);
    ~EngineProcess();  // kills the engine if it still runs
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    pid_t pid() const { return pid_; }
    // False when the engine no longer reads.
    bool send(const std::string& line) { return send_raw(line + "\n"); }
    bool send_raw(const std::string& bytes);
    // The next line without its line end; nothing on time-out or at the end of the output.
    std::optional<std::string> read_line(int timeout_ms = DEFAULT_TIMEOUT_MS);
    // The lines up to and including the first one equal to last, or beginning with prefix.
    Lines read_until(const std::string& last, int timeout_ms = DEFAULT_TIMEOUT_MS) {
        return read_lines(last, false, timeout_ms);
    }
    Lines read_until_prefix(const std::string& prefix, int timeout_ms = DEFAULT_TIMEOUT_MS) {
        return read_lines(prefix, true, timeout_ms);
    }
    // Sends "isready": the lines before "readyok", or ending with "<no readyok>".
    Lines lines_before_ready(int timeout_ms = DEFAULT_TIMEOUT_MS);
    bool handshake();  // "uci" and its answer; true when "uciok" came
    void close_input() { close_fd(to_engine_); }
    void close_output() { close_fd(from_engine_); }
    static void close_fd(int& fd);
    // The exit status, or 128 + the signal number; nothing on time-out.
    std::optional<int> wait_exit(int timeout_ms = DEFAULT_TIMEOUT_MS);
    std::string error_output();  // complete after wait_exit

   private:
    Lines read_lines(const std::string& last, bool prefix, int timeout_ms);
    pid_t pid_ = -1;
    int to_engine_ = -1;
    int from_engine_ = -1;
    FILE* errors_file_ = nullptr;
    std::string pending_;  // output read but not yet handed out as lines
    std::optional<int> exit_status_;
};
