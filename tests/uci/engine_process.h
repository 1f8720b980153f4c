// Runs the real engine program with pipes on its standard input, output and
// error, for transcript tests: send lines, read lines with a time-out, and
// collect the exit status. The time-outs only keep a broken engine from
// hanging the suite; no test measures time with them.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

class EngineProcess {
   public:
    static constexpr int DEFAULT_TIMEOUT_MS = 20000;

    // Starts binary (the engine by default) with the given arguments. With
    // nonblocking_input the engine's standard input is in non-blocking mode,
    // as some front ends leave it.
    explicit EngineProcess(const std::vector<std::string>& arguments = {}, const char* binary = JUX_BINARY,
                           bool nonblocking_input = false);
    // Kills the engine if it still runs.
    ~EngineProcess();
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    pid_t pid() const { return pid_; }

    // Writes line and a line end; false when the engine no longer reads.
    // Output the engine writes meanwhile is kept for read_line.
    bool send(const std::string& line) { return send_raw(line + "\n"); }
    // Writes bytes exactly as given.
    bool send_raw(const std::string& bytes);

    // The next output line without its line end; nothing on time-out or at
    // the end of the engine's output.
    std::optional<std::string> read_line(int timeout_ms = DEFAULT_TIMEOUT_MS);
    // Lines up to and including the first one equal to last. Stops early
    // (without last) on time-out or at the end of the output.
    std::vector<std::string> read_until(const std::string& last, int timeout_ms = DEFAULT_TIMEOUT_MS) {
        return read_lines(last, false, timeout_ms);
    }
    // The same, up to the first line that begins with prefix ("bestmove").
    std::vector<std::string> read_until_prefix(const std::string& prefix,
                                               int timeout_ms = DEFAULT_TIMEOUT_MS) {
        return read_lines(prefix, true, timeout_ms);
    }
    // Sends "isready" and returns every line written before "readyok", which
    // tells that the engine has handled all that was sent before. Ends with
    // the element "<no readyok>" when the answer does not come.
    std::vector<std::string> lines_before_ready(int timeout_ms = DEFAULT_TIMEOUT_MS);
    // "uci" and its answer up to "uciok"; true when "uciok" came.
    bool handshake();

    // Closes the engine's standard input (end of input for the engine).
    void close_input() { close_fd(to_engine_); }
    // Closes our end of the engine's standard output, so its writes fail.
    void close_output() { close_fd(from_engine_); }
    // Closes fd if it is open and marks it closed.
    static void close_fd(int& fd);

    // The exit status (0..255), or 128 + signal number when a signal ended
    // the engine; nothing on time-out.
    std::optional<int> wait_exit(int timeout_ms = DEFAULT_TIMEOUT_MS);
    // What the engine wrote to its standard error (complete after wait_exit).
    std::string error_output();

   private:
    // Lines up to the first one equal to last (or beginning with it).
    std::vector<std::string> read_lines(const std::string& last, bool prefix, int timeout_ms);

    pid_t pid_ = -1;
    int to_engine_ = -1;
    int from_engine_ = -1;
    FILE* errors_file_ = nullptr;
    std::string pending_;  // output read but not yet handed out as lines
    std::optional<int> exit_status_;
};
