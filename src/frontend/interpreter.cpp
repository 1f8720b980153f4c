#include "frontend/interpreter.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "board/fen.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "core/options.h"
#include "core/output.h"
#include "core/role.h"
#include "egtb/directories.h"
#include "egtb/tbprobe.h"
#include "frontend/command_text.h"
#include "frontend/go.h"
#include "frontend/polling.h"
#include "frontend/query.h"
#include "platform/clock.h"
#include "platform/exit.h"
#include "platform/input.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/random.h"
#include "search/root.h"
#include "search/startup.h"
#include "search/timectl.h"
#include "smp/workers.h"

// Far from any real game ply, so that the first position is a new game.
constexpr int32_t NO_PREVIOUS_POSITION = 999;

Interpreter interpreter = {"", NO_PREVIOUS_POSITION};

// Every ply a "moves" list adds takes at least a four-letter word and a
// blank, so one line can never push the game record past its end, even
// after the deepest FEN move number and with a full search path on top.
static_assert(FEN_GAME_PLY_LIMIT + LINE_BUFFER_SIZE / 5 + MAX_PLY + 2 < MOVE_HISTORY_SIZE,
              "move_history must hold the longest game one position line can set up");

namespace {

constexpr const char* IDENTIFICATION[] = {
    "id name JUX 4 for Orvia\n",
    "id author Varnok\n",
    "option name NalimovPath type string default <empty>\n",
    "option name ClearHash type button\n",
    "option name NalimovCache type spin default 1 min 1 max 64\n",
    "option name Hash type spin default 0 min 0 max 1024\n",
    "option name Nullmove type check default true\n",
    "option name Ponder type check default true\n",
    "option name UseNalimov type check default true\n",
    "option name Brute Force type check default false\n",
    "option name OwnBook type check default true\n",
};

constexpr const char* HASH_OPTION = "setoption name Hash value";

bool is_blank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Room for a forwarded line and its line end.
char forward_buffer[LINE_BUFFER_SIZE + 1];

// Pause that lets the workers, which end 100 ms apart from the nearest up,
// finish before this process goes on.
int chain_pause_ms() {
    return 100 * (options.process_count + 1);
}

// Conditions the engine cannot go on from end with status 1 after one line.
// The shared blocks outlive a process that does not remove them, so they go
// first.
[[noreturn]] void exit_failed() {
    release_tables();
    end_process(1);
}

bool read_command_line() {
    if (role.read_from_pipe) return read_upstream_line(interpreter.line, LINE_BUFFER_SIZE);
    return read_line(standard_input, interpreter.line, LINE_BUFFER_SIZE);
}

void forward_line(const char* line) {
    if (!worker_link.has_downstream) return;
    // The master replaces its Hash line by the sequence of the rebuild.
    if (role.is_master && begins_with(line, HASH_OPTION)) return;
    std::snprintf(forward_buffer, sizeof forward_buffer, "%s\n", line);
    write_downstream(forward_buffer);
}

void uci_command() {
    limits.clock_side = 1;
    seed_random(process_seed(calendar_seconds(), role.worker_id));
    for (const char* text : IDENTIFICATION) send_line("%s", text);
    // A second "uci" keeps the tables this process already holds (and the
    // tablebases it has registered): creating them again would meet our own
    // names and end the engine.
    if (!hash_tables.held) {
        options.tablebase_pieces = 0;
        if (create_tables(0, options.tablebase_pieces) == -1) {
            send_line("info string Memory problems. I quit!\n");
            exit_failed();
        }
        // A worker's game starts when its Hash line opens the master's tables.
        if (role.is_master) start_fresh_game();
    }
    send_line("uciok\n");
}

int32_t register_tablebases(int32_t cache_kb) {
    int32_t pieces = tb_probe(TB_REGISTER, cache_kb);
    debug_line("JUX found %d piece Nalimov EGTB\n", pieces);
    return pieces;
}

void nalimov_cache_command(int32_t megabytes) {
    options.nalimov_cache_mb = megabytes;
    debug_line("->NalimovCache is %d MB\n", options.nalimov_cache_mb);
    debug_line("NalimovPath is %s\n", options.nalimov_path);
    options.tablebase_pieces = register_tablebases(megabytes_to_kilobytes(options.nalimov_cache_mb));
}

void nalimov_path_command(const char* path) {
    std::snprintf(options.nalimov_path, sizeof options.nalimov_path, "%s", path);
    debug_line("NalimovCache is %d MB\n", options.nalimov_cache_mb);
    debug_line("->NalimovPath is %s\n", options.nalimov_path);
    int32_t cache_kb =
        options.nalimov_cache_mb != 0 ? megabytes_to_kilobytes(options.nalimov_cache_mb) : 1024;
    options.tablebase_pieces = register_tablebases(cache_kb);
}

// A worker takes the master's tables and starts a game with its own book
// setting, as the master's new-game rule would.
void worker_hash_command(int32_t megabytes) {
    open_shared_tables(megabytes);
    reset_game_state();
    limits.clock_side = 1;
    book.book_in_use = options.own_book;
    book.book_miss_count = 0;
}

void rebuild_hash(int32_t megabytes) {
    int processes = options.process_count;
    if (worker_link.has_downstream) {
        write_downstream("stop\nquit\n");
        debug_line("processes killed\n");
    }
    sleep_ms(chain_pause_ms());
    release_tables();
    if (create_tables(megabytes_to_kilobytes(megabytes), options.tablebase_pieces) == -1) {
        send_line("info string Memory problems: I quit!\n");
        exit_failed();
    }
    start_fresh_game();
    debug_line("Using %d Processors\n", processes);
    start_worker_chain(processes - 1);
    sleep_ms(chain_pause_ms());
    if (worker_link.has_downstream) {
        char text[600];
        write_downstream("uci\n");
        std::snprintf(text, sizeof text, "setoption name Hash value %d\n", megabytes);
        write_downstream(text);
        if (options.nalimov_cache_mb != 0) {
            std::snprintf(text, sizeof text, "setoption name NalimovCache value %d\n",
                          options.nalimov_cache_mb);
            write_downstream(text);
            std::snprintf(text, sizeof text, "setoption name NalimovPath value %s\n", options.nalimov_path);
            write_downstream(text);
        }
        debug_line("p&p pipe (%d): %s\n", worker_link.downstream_pipe, "uci\n");
        debug_line("processes created\n");
    }
    debug_line("Hashsize is %d MB\n", megabytes);
}

// Plays the words of a "moves" list on the game board. A word of three
// characters or fewer is skipped, as is one too long to be a move; a word
// that names no legal move ends the list, so the position stays at the last good
// move instead of going on from a board the front end does not have.
void play_move_list(const char* text) {
    char word[MOVE_WORD_SIZE];
    const char* p = text;
    for (;;) {
        while (is_blank(*p)) p++;
        if (*p == 0) return;
        int length = 0;
        while (p[length] != 0 && !is_blank(p[length])) length++;
        const char* start = p;
        p += length;
        if (length <= 3 || length >= MOVE_WORD_SIZE) continue;
        std::memcpy(word, start, static_cast<size_t>(length));
        word[length] = 0;
        switch (play_game_move(word)) {
            case GAME_MOVE_PLAYED:
                break;
            case GAME_MOVE_UNKNOWN:
                debug_line("no move %s in this position, the rest of the list is not played\n", word);
                return;
            case GAME_MOVE_SELF_IN_CHECK:
                debug_line("%s leaves the king in check, the rest of the list is not played\n", word);
                return;
        }
    }
}

// The engine's move and the opponent's reply (two plies on), or the same
// position again, continue the game; anything else is a new one, which
// forgets the scores of the last game and opens the book again.
void apply_new_game_rule() {
    int32_t ply = pos.game_ply;
    int32_t last = interpreter.last_position_ply;
    if (ply == 0 || (ply != last && ply != last + 2)) {
        search.root_score = 0;
        search.previous_search_score = 0;
        book.book_in_use = options.own_book;
        book.book_miss_count = 0;
    }
    interpreter.last_position_ply = ply;
}

void position_command(const char* line) {
    bool set;
    if (begins_with(line, "position startpos")) {
        debug_line("Setting startpos\n");
        set = set_position_from_fen(START_FEN);
    } else {
        const char* fen_command = std::strstr(line, "position fen");
        if (fen_command == nullptr) return;
        debug_line("Setting fen: %s\n", fen_command + 12);
        const char* fen = std::strstr(line, "position fen ");
        if (fen == nullptr) return;
        set = set_position_from_fen(fen + 13);
    }
    if (!set) {
        debug_line("position refused: %s\n", fen_refusal_reason());
        return;
    }
    const char* moves = std::strstr(line, "moves ");
    if (moves != nullptr) {
        debug_line("moves are %s\n", moves + 6);
        play_move_list(moves + 6);
    }
    apply_new_game_rule();
}

void query_command(const char* line) {
    // "request position fen" and no FEN after its blank: nothing to look up.
    if (std::strlen(line) <= 21) return;
    debug_line("Request move for fen: %s\n", line + 20);
    query_position(line + 21);
}

// Rules 1 to 8: allowed in both modes. Returns true when the line matched one.
bool search_time_command(const char* line, int poll_mode) {
    bool matched = false;
    if (std::strcmp(line, "stop") == 0) {
        search.search_active = 0;
        timer.extension_count = 1;
        if (poll_mode)
            debug_line("JUX is stopping\n");
        else
            debug_line("JUX got stop while idle\n");
        matched = true;
    }
    if (std::strcmp(line, "quit") == 0) quit_engine();
    if (std::strcmp(line, "ponderhit") == 0) {
        limits.pondering = 0;
        matched = true;
    }
    if (std::strcmp(line, "askinfo") == 0) {
        send_line("unknowncommand %s\n", line);
        matched = true;
    }
    if (std::strcmp(line, "debug on") == 0) {
        options.debug_mode = 1;
        matched = true;
    }
    if (std::strcmp(line, "debug off") == 0) {
        options.debug_mode = 0;
        matched = true;
    }
    if (begins_with(line, "request position fen")) {
        query_command(line);
        matched = true;
    }
    if (begins_with(line, "isready")) {
        send_line("readyok\n");
        matched = true;
    }
    return matched;
}

// A check option: exactly "true" or "false" after the option's line start.
void check_option(const char* line, const char* option_line, int32_t& value, const char* on_text,
                  const char* off_text) {
    size_t length = std::strlen(option_line);
    if (std::strncmp(line, option_line, length) != 0) return;
    if (std::strcmp(line + length, "true") == 0) {
        value = 1;
        debug_line("%s", on_text);
    } else if (std::strcmp(line + length, "false") == 0) {
        value = 0;
        debug_line("%s", off_text);
    }
}

// Rules 9 to 21: main mode only.
void main_mode_command(const char* line) {
    if (std::strcmp(line, "uci") == 0) uci_command();

    if (scan_pattern(line, "setoption name NalimovPath value <empty>")) {
        options.tablebase_pieces = 0;
        options.nalimov_path[0] = 0;
        debug_line("Nalimov EGTB turned off\n");
    }
    int32_t number = 0;
    if (scan_pattern(line, "setoption name NalimovCache value %d", &number)) nalimov_cache_command(number);
    char path[sizeof options.nalimov_path];
    if (scan_pattern(line, "setoption name NalimovPath value %s", nullptr, path, sizeof path))
        nalimov_path_command(path);
    if (scan_pattern(line, "setoption name Hash value %d", &number)) {
        if (role.is_master)
            rebuild_hash(number);
        else
            worker_hash_command(number);
    }

    check_option(line, "setoption name Brute Force value ", options.brute_force, "Brute Force on\n",
                 "Brute Force off\n");
    check_option(line, "setoption name OwnBook value ", options.own_book, "OwnBook on\n", "OwnBook off\n");
    check_option(line, "setoption name UseNalimov value ", options.use_tablebases, "Tablebases on\n",
                 "TableBases off\n");
    check_option(line, "setoption name Nullmove value ", options.null_move, "Nullmove on\n",
                 "Nullmove off\n");

    if (std::strcmp(line, "setoption name Style value Risky") == 0) {
        options.style = STYLE_RISKY;
        debug_line("Style Risky\n");
    }
    if (std::strcmp(line, "setoption name Style value Normal") == 0) {
        options.style = STYLE_NORMAL;
        debug_line("Style Normal\n");
    }
    if (std::strcmp(line, "setoption name Style value Solid") == 0) {
        options.style = STYLE_SOLID;
        debug_line("Style Solid\n");
    }
    if (std::strcmp(line, "setoption name ClearHash") == 0) {
        clear_eval_caches();
        clear_hash_tables();
        debug_line("Hash cleared\n");
    }

    if (begins_with(line, "position")) position_command(line);
    if (begins_with(line, "go")) {
        // No search runs without its tables: before "uci" (or, in a worker,
        // before the Hash line) there are none.
        if (hash_tables.held)
            handle_go(line);
        else
            debug_line("no hash tables yet, send uci first\n");
    }
}

}  // namespace

void execute_command(const char* line, int poll_mode) {
    debug_line("JUX got %s\n", line);
    forward_line(line);
    bool allowed = search_time_command(line, poll_mode);
    if (poll_mode) {
        if (allowed) return;
        send_line(
            "info string %s is not allowed while the engine is searching. Send >stop< before doing this.\n",
            line);
        exit_failed();
    }
    main_mode_command(line);
}

int run_interpreter(int poll_mode) {
    for (;;) {
        if (poll_mode) {
            int waiting = role.is_master ? input_pending() : upstream_pending();
            if (waiting == 0) return 0;
        }
        // The front end has gone without "quit": nothing more can come, so
        // end as "quit" would rather than wait on a closed input.
        if (!read_command_line()) quit_engine();
        execute_command(interpreter.line, poll_mode);
        if (poll_mode) return 0;
    }
}

void start_fresh_game() {
    reset_game_state();
    book.book_in_use = 0;
}

void install_front_end_hooks() {
    input_poll.poll = [] { run_interpreter(POLL_MODE); };
    output_loss.end_engine = quit_engine;
    root_book.book_move = [] { return book.book_in_use ? probe_book() : Move{0}; };
    tablebase_failure.release_shared_blocks = release_tables;
}

void quit_engine() {
    sleep_ms(role.is_master ? chain_pause_ms() : 100 * role.worker_id);
    release_tables();
    close_worker_pipes();
    end_process(0);
}
