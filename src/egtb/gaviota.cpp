#include "egtb/gaviota.h"

#include <dirent.h>
#include <gtb-probe.h>

#include <cstring>

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

int class_from_availability(unsigned bits) {
    if (bits & 16) return 5;
    if (bits & 4) return 4;
    if (bits & 1) return 3;
    return 0;
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
    tb_init(0, scheme, gaviota.paths);
    int found = tb_is_initialized() ? class_from_availability(tb_availability()) : 0;
    if (found == 0) {
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
