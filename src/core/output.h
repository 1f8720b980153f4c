// Every line the engine writes goes through here: only the master writes,
// and each line is flushed at once.
#pragma once

// printf-style; the text should end with "\n".
void send_line(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "info string ..." diagnostics: written only after "debug on", only by the master.
void debug_line(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Called once a write has failed: the front end that has closed our
// standard output will never read another line or send "quit", so the
// engine ends as "quit" would. The front end installs its quit sequence;
// until then the process just ends.
struct OutputLoss {
    void (*end_engine)();
};
extern OutputLoss output_loss;
