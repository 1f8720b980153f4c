// What the fuzz targets share: the engine's start-up, a scratch directory for
// the files the engine opens by name, and a snapshot of the engine's state
// that puts it back as it was before each input.
#pragma once

#include <cstddef>
#include <string>

// The start of a master process: tables built, shared memory named after
// this process, standard output discarded (the targets check state, not text).
void start_engine();

// A private directory that becomes the working directory while the engine
// reads "jux.book". Targets that enter it call keep_artifacts_here from
// LLVMFuzzerInitialize, so that libFuzzer still writes its findings to the
// directory it was started in.
struct ScratchDirectory {
    std::string path;
    int home_fd = -1;  // the working directory to come back to
};
void create_scratch_directory(ScratchDirectory& scratch);
void enter_scratch_directory(ScratchDirectory& scratch);
void leave_scratch_directory(ScratchDirectory& scratch);
void write_scratch_file(const ScratchDirectory& scratch, const char* name, const void* data, size_t size);
void keep_artifacts_here(int* argc, char*** argv);

// The engine's global state as start_engine leaves it, saved once and put
// back before every input, so that an input does the same on every run.
void save_engine_state();
void restore_engine_state();
