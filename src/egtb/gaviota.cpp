#include "egtb/gaviota.h"

#include <dirent.h>
#include <gtb-probe.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "core/output.h"
#include "egtb/filecheck.h"

GaviotaTables gaviota;

namespace {

// The compression scheme of a Gaviota file name, or 0 when it is none.
int file_scheme(const char* name) {
    static constexpr char SUFFIX[] = ".gtb.cp";
    std::size_t length = std::strlen(name);
    std::size_t suffix_length = sizeof SUFFIX - 1;
    if (length < suffix_length + 2) return 0;
    const char* tail = name + length - suffix_length - 1;
    if (std::strncmp(tail, SUFFIX, suffix_length) != 0) return 0;
    int scheme = tail[suffix_length] - '0';
    return scheme >= tb_CP1 && scheme <= tb_CP4 ? scheme : 0;
}

// Most files wins; on a tie the higher scheme, since scheme 4 is the one
// tables are usually shipped in.
int most_common_scheme(const TablebaseDirectories& dirs) {
    int files[tb_CP4 + 1] = {};
    for (int d = 0; d < dirs.count; d++) {
        DIR* dir = opendir(*dirs.dir[d] ? dirs.dir[d] : ".");
        if (!dir) continue;
        while (const dirent* entry = readdir(dir)) files[file_scheme(entry->d_name)]++;
        closedir(dir);
    }
    int best = 0;
    for (int scheme = tb_CP1; scheme <= tb_CP4; scheme++) {
        if (files[scheme] > 0 && (best == 0 || files[scheme] >= files[best])) best = scheme;
    }
    return best;
}

// The verdict on the file the library would open for the table: the first
// directory that has one. A damaged file is named in a debug line.
int8_t check_library_file(const TablebaseDirectories& dirs, int table, int scheme) {
    char file_name[32];
    std::snprintf(file_name, sizeof file_name, "%s.gtb.cp%d", table_name(table), scheme);
    char path[1200];
    for (int d = 0; d < dirs.count; d++) {
        if (!join_tablebase_file_name(path, sizeof path, *dirs.dir[d] ? dirs.dir[d] : ".", file_name))
            continue;
        if (access(path, R_OK) != 0) continue;
        const char* fault = check_table_file(path, GAVIOTA_DISTANCES, table);
        if (!fault) return TABLE_FILE_SOUND;
        debug_line("%s left out: %s\n", path, fault);
        return TABLE_FILE_DAMAGED;
    }
    return TABLE_FILE_MISSING;
}

// The class of the usable tables.
int check_library_files(const TablebaseDirectories& dirs, int scheme) {
    int8_t found[TABLE_COUNT + 1] = {};
    for (int table = 1; table <= TABLE_COUNT; table++) found[table] = check_library_file(dirs, table, scheme);
    find_usable_tables(found, gaviota.usable);
    int men = 0;
    for (int table = 1; table <= TABLE_COUNT; table++)
        if (gaviota.usable[table] && table_men(table) > men) men = table_men(table);
    return men;
}

}  // namespace

int register_gaviota_tables(const TablebaseDirectories& dirs) {
    release_gaviota_tables();
    int scheme = most_common_scheme(dirs);
    if (scheme == 0) return 0;
    gaviota.paths = tbpaths_init();
    for (int d = 0; d < dirs.count && gaviota.paths; d++) {
        gaviota.paths = tbpaths_add(gaviota.paths, *dirs.dir[d] ? dirs.dir[d] : ".");
    }
    if (!gaviota.paths) return 0;
    int found = check_library_files(dirs, scheme);
    if (found != 0) tb_init(0, scheme, gaviota.paths);
    if (found == 0 || !tb_is_initialized()) {
        release_gaviota_tables();
        return 0;
    }
    gaviota.active = 1;
    gaviota.scheme = scheme;
    gaviota.table_class = found;
    return found;
}

void release_gaviota_tables() {
    if (tb_is_initialized()) tb_done();
    if (gaviota.paths) gaviota.paths = tbpaths_done(gaviota.paths);
    gaviota.active = 0;
    gaviota.scheme = 0;
    for (int table = 0; table <= TABLE_COUNT; table++) gaviota.usable[table] = 0;
    gaviota.table_class = 0;
}

bool create_gaviota_cache(int64_t bytes) {
    if (gaviota.cache_on) tbcache_done();
    // Only distance-to-mate probes are made, so the whole cache serves them.
    // The library reports success even when its memory could not be had;
    // it is then left without a cache, and probes fail.
    gaviota.cache_on = tbcache_init(static_cast<std::size_t>(bytes), 0) && tbcache_is_on() ? 1 : 0;
    return gaviota.cache_on == 1;
}

bool probe_gaviota(const ProbePosition& p, int& value) {
    if (!gaviota.active) return false;
    unsigned squares[2][17];
    unsigned char pieces[2][17];
    for (int colour = 0; colour < 2; colour++) {
        int n = 0;
        for (; p.square[colour][n] != LIST_END; n++) {
            squares[colour][n] = static_cast<unsigned>(p.square[colour][n]);
            pieces[colour][n] = static_cast<unsigned char>(p.piece[colour][n]);
        }
        squares[colour][n] = tb_NOSQUARE;
        pieces[colour][n] = tb_NOPIECE;
    }
    unsigned ep = p.ep_square != 0 ? static_cast<unsigned>(p.ep_square) : unsigned{tb_NOSQUARE};
    unsigned info = tb_UNKNOWN;
    unsigned plies = 0;
    if (!tb_probe_hard(static_cast<unsigned>(p.side), ep, tb_NOCASTLE, squares[0], squares[1], pieces[0],
                       pieces[1], &info, &plies)) {
        return false;
    }
    switch (info) {
        case tb_DRAW:
            value = 0;
            return true;
        case tb_WMATE:
        case tb_BMATE: {
            int winner = info == tb_WMATE ? 0 : 1;
            value = nalimov_mate_value(winner == p.side, static_cast<int>(plies));
            return true;
        }
        default:  // an illegal position, or one the tables do not know
            return false;
    }
}
