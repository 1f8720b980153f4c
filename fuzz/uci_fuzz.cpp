// Whole UCI sessions as the main loop runs them: after every command the position must be consistent and
// every "bestmove" name a legal move (its ponder move a legal reply), or 0000 when there is none. The book is
// uci_fuzz.book, the default book's first four plies, so that findings reproduce quickly.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <vector>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/perft.h"
#include "book/book.h"
#include "book/san.h"
#include "core/options.h"
#include "core/role.h"
#include "egtb/tbprobe.h"
#include "eval/eval_state.h"
#include "eval/evaluate.h"
#include "eval/phase.h"
#include "eval/root_pst.h"
#include "eval/weights.h"
#include "frontend/command_text.h"
#include "frontend/interpreter.h"
#include "fuzz_support.h"
#include "platform/input.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/ordering.h"
#include "search/pv.h"
#include "search/random.h"
#include "search/timectl.h"
#include "smp/workers.h"

namespace {

constexpr size_t MAX_SESSION_BYTES = 65536;  // what a pipe takes without a reader
constexpr int32_t MAX_MEGABYTES = 1;
int home_fd = -1;  // the working directory libFuzzer was started in

void bound_work(char* line) {
    for (const char* option : {"Hash", "NalimovCache"}) {
        const std::string pattern = std::string("setoption name ") + option + " value %d";
        int32_t megabytes = 0;
        if (scan_pattern(line, pattern.c_str(), &megabytes) && (megabytes < 0 || megabytes > MAX_MEGABYTES))
            std::snprintf(line, LINE_BUFFER_SIZE, "setoption name %s value %d", option, MAX_MEGABYTES);
    }
}

// A pipe holding the whole input, its writing end closed, as the engine's standard input.
bool feed_standard_input(const uint8_t* data, size_t size) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return false;
    while (size > 0) {
        const ssize_t n = write(ends[1], data, size);
        if (n <= 0) break;
        data += n;
        size -= static_cast<size_t>(n);
    }
    close(ends[1]);
    standard_input = LineInput{ends[0], 0, 0, false, {}};
    return true;
}

char* output = nullptr;
size_t output_size = 0, output_read = 0;

std::string new_output() {
    std::fflush(stdout);
    const std::string text(output + output_read, output_size - output_read);
    output_read = output_size;
    return text;
}

bool names_legal_move(int side, const std::string& text, int ep_square, Move& found) {
    return find_move_by_text(side, text.c_str(), found, ep_square) && move_is_legal(found, side);
}

bool is_legal_reply(Move move, const std::string& reply) {
    const int side = pos.side_to_move;
    const SavedState saved = save_state();
    const int ep_square = make_move(move, side, 1);
    Move found = 0;
    const bool legal = names_legal_move(side ^ 1, reply, ep_square, found);
    unmake_move(move, side);
    restore_state(saved);
    return legal;
}

void check_answers(const std::string& output) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("bestmove ")) continue;
        std::istringstream words(line.substr(9));
        std::string best, ponder_word, ponder;
        words >> best >> ponder_word >> ponder;
        if (best == "0000") {
            require(perft(1, pos.side_to_move, pos.ep_square) == 0, "bestmove 0000 where a legal move exists",
                    line);
            continue;
        }
        Move move = 0;
        require(names_legal_move(pos.side_to_move, best, pos.ep_square, move),
                "the best move is not legal here", line);
        if (ponder_word == "ponder")
            require(is_legal_reply(move, ponder), "the ponder move is no legal reply", line);
    }
}

void run_session() {
    std::fclose(stdout);
    std::free(output);
    stdout = open_memstream(&output, &output_size);
    output_read = 0;
    while (read_line(standard_input, interpreter.line, LINE_BUFFER_SIZE)) {
        bound_work(interpreter.line);
        const std::string command = interpreter.line;
        execute_command(interpreter.line, MAIN_MODE);
        require(position_is_consistent(), "the position is out of step after", command);
        check_answers(new_output());
    }
    quit_engine();
}

// Every global struct an input can change, saved as raw bytes after the start and put back before every
// input.
struct SavedGlobal {
    void* address;
    size_t size;
    std::vector<unsigned char> bytes;
};
std::vector<SavedGlobal> saved_globals;

template <typename... Globals>
void save_globals(Globals&... globals) {
    (saved_globals.push_back({&globals, sizeof globals, {}}), ...);
    for (SavedGlobal& g : saved_globals)
        g.bytes.assign(static_cast<unsigned char*>(g.address),
                       static_cast<unsigned char*>(g.address) + g.size);
}

// Findings go to the directory libFuzzer was started in, not the private one it works in.
void keep_artifacts_here(int* argc, char*** argv) {
    for (int i = 1; i < *argc; i++)
        if (!std::strncmp((*argv)[i], "-artifact_prefix=", 17) ||
            !std::strncmp((*argv)[i], "-exact_artifact_path=", 21))
            return;
    char* here = getcwd(nullptr, 0);
    if (!here) return;
    static std::string prefix = std::string("-artifact_prefix=") + here + "/";
    free(here);
    static std::vector<char*> arguments;
    arguments.assign(*argv, *argv + *argc);
    arguments.push_back(prefix.data());
    arguments.push_back(nullptr);
    *argc += 1;
    *argv = arguments.data();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    keep_artifacts_here(argc, argv);
    start_engine();
    home_fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    set_position_from_fen(START_FEN);
    if (symlink(JUX_SOURCE_DIR "/fuzz/uci_fuzz.book", scratch_book_path().c_str()) != 0) std::abort();
    save_globals(pos, options, limits, interpreter, search, timer, pv, ordering, book, hash_tables,
                 eval_state, attack_count, phase_state, root_tables, weights, worker_link, role, tb_counters);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!feed_standard_input(data, size < MAX_SESSION_BYTES ? size : MAX_SESSION_BYTES)) return 0;
    reset_fuzz_clock();
    const std::string& book_path = scratch_book_path();
    if (chdir(book_path.substr(0, book_path.rfind('/')).c_str()) != 0) std::abort();
    try {
        run_session();
    } catch (const ProcessEnd&) {
    }
    if (fchdir(home_fd) != 0) std::abort();
    close(standard_input.fd);
    release_tables();  // shared memory first: the saved state holds no tables
    for (const SavedGlobal& g : saved_globals) std::memcpy(g.address, g.bytes.data(), g.size);
    seed_random(1);
    return 0;
}
