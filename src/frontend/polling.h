// Is a command waiting? Asked by the interpreter in poll mode.
#pragma once

int input_pending();     // the master's standard input (buffered bytes count)
int upstream_pending();  // a worker's pipe from upstream
