// The end of the process. Every way the engine ends itself (quit, a fatal
// condition, a refused command) comes here, so that a program that runs the
// engine inside itself, as the fuzz targets do, can link its own end instead.
#pragma once

// Ends the process with the given exit status; never returns.
[[noreturn]] void end_process(int status);
