#include "egtb/syzygy.h"

#include <dirent.h>
#include <dlfcn.h>
#include <tbprobe.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "board/types.h"
#include "core/output.h"
#include "egtb/filecheck.h"

SyzygyTables syzygy;

namespace {

// Both tablebase libraries export a function named tb_init, so this one is
// loaded on its own, binding its internal calls to itself first.
struct SyzygyReader {
    // Its tb_free leaves the reader unusable for a later tb_init, while
    // tb_init alone lets go of the earlier tables: tables are released by
    // initialising the reader on an empty path.
    decltype(&tb_init) init;
    decltype(&tb_probe_wdl_impl) probe_wdl;
    decltype(&tb_probe_root_impl) probe_root;
    const unsigned* largest;
};
SyzygyReader reader;

// The library's soname, so that the runtime linker finds it wherever the
// package put it.
const char* reader_library_name = JUX_FATHOM_LIBRARY;
char load_failure[512];  // why the reader could not be loaded

bool load_reader() {
    if (syzygy.library) return true;
    if (syzygy.load_failed) return false;
#ifdef JUX_SANITIZED
    // The sanitizers refuse RTLD_DEEPBIND; a namespace of its own keeps the
    // reader's tb_init apart just as well.
    void* library = dlmopen(LM_ID_NEWLM, reader_library_name, RTLD_NOW | RTLD_LOCAL);
#else
    void* library = dlopen(reader_library_name, RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
#endif
    const char* error = library ? nullptr : dlerror();
    if (library) {
        reader.init = reinterpret_cast<decltype(reader.init)>(dlsym(library, "tb_init"));
        reader.probe_wdl = reinterpret_cast<decltype(reader.probe_wdl)>(dlsym(library, "tb_probe_wdl_impl"));
        reader.probe_root =
            reinterpret_cast<decltype(reader.probe_root)>(dlsym(library, "tb_probe_root_impl"));
        reader.largest = static_cast<const unsigned*>(dlsym(library, "TB_LARGEST"));
    }
    if (!library || !reader.init || !reader.probe_wdl || !reader.probe_root || !reader.largest) {
        std::snprintf(load_failure, sizeof load_failure, "%s",
                      error ? error : "a function of the reader is missing");
        if (library) dlclose(library);
        syzygy.load_failed = 1;
        return false;
    }
    syzygy.library = library;
    return true;
}

bool is_syzygy_file(const char* name) {
    std::size_t length = std::strlen(name);
    return length > 5 &&
           (std::strcmp(name + length - 5, ".rtbw") == 0 || std::strcmp(name + length - 5, ".rtbz") == 0);
}

bool directory_has_syzygy_files(const char* path) {
    DIR* dir = opendir(path);
    if (!dir) return false;
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        if (is_syzygy_file(entry->d_name)) {
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

// The directories of the reader's path, in its order.
struct ReaderDirectories {
    const char* dir[MAX_TABLEBASE_DIRECTORIES];
    int32_t count;
};
ReaderDirectories reader_dirs;

// The reader separates directories with ':', so a directory whose name holds
// one cannot be passed on.
void build_reader_path(const TablebaseDirectories& dirs) {
    int length = 0;
    syzygy.path[0] = '\0';
    reader_dirs.count = 0;
    for (int d = 0; d < dirs.count; d++) {
        const char* dir = *dirs.dir[d] ? dirs.dir[d] : ".";
        if (std::strchr(dir, ':') || !directory_has_syzygy_files(dir)) continue;
        int written =
            std::snprintf(syzygy.path + length, sizeof syzygy.path - length, "%s%s", length ? ":" : "", dir);
        if (written < 0 || length + written >= static_cast<int>(sizeof syzygy.path)) {
            syzygy.path[length] = '\0';
            return;
        }
        length += written;
        reader_dirs.dir[reader_dirs.count++] = dir;
    }
}

// "KQvKR" for "kqkr".
void syzygy_table_name(int table, char* out) {
    int n = 0;
    for (const char* c = table_name(table); *c; c++) {
        if (c != table_name(table) && *c == 'k') out[n++] = 'v';
        out[n++] = static_cast<char>(*c - 'a' + 'A');
    }
    out[n] = '\0';
}

// The verdict on the file the reader would open for the table: the first of
// its directories that has one. A damaged file is named in a debug line.
int8_t check_reader_file(int table, const char* suffix, TableFileKind kind) {
    char name[16];
    syzygy_table_name(table, name);
    char file_name[16 + 8];
    std::snprintf(file_name, sizeof file_name, "%s%s", name, suffix);
    char path[1200];
    for (int d = 0; d < reader_dirs.count; d++) {
        if (!join_tablebase_file_name(path, sizeof path, reader_dirs.dir[d], file_name)) continue;
        if (access(path, R_OK) != 0) continue;
        const char* fault = check_table_file(path, kind, table);
        if (!fault) return TABLE_FILE_SOUND;
        debug_line("%s left out: %s\n", path, fault);
        return TABLE_FILE_DAMAGED;
    }
    return TABLE_FILE_MISSING;
}

// Checks every file of the engine's tables before any probe reaches the
// reader, and returns the class of the usable ones.
int check_reader_files() {
    int8_t results[TABLE_COUNT + 1] = {};
    int8_t both[TABLE_COUNT + 1] = {};
    for (int table = 1; table <= TABLE_COUNT; table++) {
        results[table] = check_reader_file(table, ".rtbw", SYZYGY_RESULTS);
        // Without its results file the reader does not take a table at all.
        const int8_t distances = results[table] == TABLE_FILE_MISSING
                                     ? TABLE_FILE_MISSING
                                     : check_reader_file(table, ".rtbz", SYZYGY_DISTANCES);
        both[table] =
            results[table] == TABLE_FILE_DAMAGED || distances == TABLE_FILE_DAMAGED ? TABLE_FILE_DAMAGED
            : results[table] == TABLE_FILE_SOUND && distances == TABLE_FILE_SOUND   ? TABLE_FILE_SOUND
                                                                                    : TABLE_FILE_MISSING;
    }
    find_usable_tables(results, syzygy.results_usable);
    find_usable_tables(both, syzygy.distances_usable);
    int found = 0;
    for (int table = 1; table <= TABLE_COUNT; table++)
        if (syzygy.results_usable[table] && table_men(table) > found) found = table_men(table);
    return found;
}

struct Bitboards {
    uint64_t colour[2];
    uint64_t piece[7];  // by piece code
};

Bitboards to_bitboards(const ProbePosition& p) {
    Bitboards b{};
    for (int colour = 0; colour < 2; colour++) {
        for (int n = 0; p.square[colour][n] != LIST_END; n++) {
            uint64_t bit = uint64_t{1} << p.square[colour][n];
            b.colour[colour] |= bit;
            b.piece[p.piece[colour][n]] |= bit;
        }
    }
    return b;
}

int promotion_piece(unsigned promotes) {
    switch (promotes) {
        case TB_PROMOTES_QUEEN:
            return QUEEN;
        case TB_PROMOTES_ROOK:
            return ROOK;
        case TB_PROMOTES_BISHOP:
            return BISHOP;
        case TB_PROMOTES_KNIGHT:
            return KNIGHT;
        default:
            return NO_PIECE;
    }
}

}  // namespace

int register_syzygy_tables(const TablebaseDirectories& dirs) {
    build_reader_path(dirs);
    if (syzygy.path[0] == '\0') {
        release_syzygy_tables();
        return 0;
    }
    if (!load_reader()) {
        debug_line("Syzygy tablebases left out: the reader %s cannot be loaded (%s)\n", reader_library_name,
                   load_failure);
        return 0;
    }
    release_syzygy_tables();
    const int found = check_reader_files();
    if (found == 0 || !reader.init(syzygy.path)) {
        release_syzygy_tables();
        return 0;
    }
    syzygy.active = 1;
    syzygy.table_class = found;
    return syzygy.table_class;
}

void release_syzygy_tables() {
    if (syzygy.active) reader.init("");
    syzygy.active = 0;
    syzygy.table_class = 0;
    for (int table = 0; table <= TABLE_COUNT; table++) {
        syzygy.results_usable[table] = 0;
        syzygy.distances_usable[table] = 0;
    }
}

void use_syzygy_reader(const char* library_name) {
    release_syzygy_tables();
    if (syzygy.library) dlclose(syzygy.library);
    syzygy.library = nullptr;
    syzygy.load_failed = 0;
    reader_library_name = library_name ? library_name : JUX_FATHOM_LIBRARY;
}

bool probe_syzygy_wdl(const ProbePosition& p, int& wdl) {
    if (!syzygy.active) return false;
    Bitboards b = to_bitboards(p);
    unsigned result = reader.probe_wdl(b.colour[0], b.colour[1], b.piece[KING], b.piece[QUEEN], b.piece[ROOK],
                                       b.piece[BISHOP], b.piece[KNIGHT], b.piece[PAWN],
                                       static_cast<unsigned>(p.ep_square), p.side == WHITE);
    if (result == TB_RESULT_FAILED) return false;
    wdl = static_cast<int>(result);
    return true;
}

int rate_syzygy_root_moves(const ProbePosition& p, int fifty_move_count, SyzygyRootMove* moves) {
    if (!syzygy.active) return 0;
    static unsigned results[TB_MAX_MOVES];
    Bitboards b = to_bitboards(p);
    unsigned best = reader.probe_root(b.colour[0], b.colour[1], b.piece[KING], b.piece[QUEEN], b.piece[ROOK],
                                      b.piece[BISHOP], b.piece[KNIGHT], b.piece[PAWN],
                                      static_cast<unsigned>(fifty_move_count),
                                      static_cast<unsigned>(p.ep_square), p.side == WHITE, results);
    if (best == TB_RESULT_FAILED || best == TB_RESULT_CHECKMATE || best == TB_RESULT_STALEMATE) return 0;
    int n = 0;
    for (int i = 0; i < TB_MAX_MOVES && n < SYZYGY_MAX_ROOT_MOVES && results[i] != TB_RESULT_FAILED; i++) {
        moves[n].from = static_cast<int32_t>(TB_GET_FROM(results[i]));
        moves[n].to = static_cast<int32_t>(TB_GET_TO(results[i]));
        moves[n].promotion = promotion_piece(TB_GET_PROMOTES(results[i]));
        moves[n].wdl = static_cast<int32_t>(TB_GET_WDL(results[i]));
        moves[n].dtz = static_cast<int32_t>(TB_GET_DTZ(results[i]));
        n++;
    }
    return n;
}
