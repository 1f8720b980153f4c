#include "egtb/filecheck.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <initializer_list>

#include "egtb/tables.h"

namespace {

// Bounds-checked little-endian reads of the file.
struct FileBytes {
    const uint8_t* bytes;
    size_t size;
    bool has(size_t at, size_t length) const { return at <= size && length <= size - at; }
    uint32_t u8(size_t at) const { return bytes[at]; }
    uint32_t u16(size_t at) const { return bytes[at] | uint32_t{bytes[at + 1]} << 8; }
    uint32_t u32(size_t at) const { return u16(at) | u16(at + 2) << 16; }
};

uint64_t binomial(int n, int k) {
    if (k < 0 || n < k) return 0;
    uint64_t result = 1;
    for (int i = 0; i < k; i++) result = result * static_cast<uint64_t>(n - i) / static_cast<uint64_t>(i + 1);
    return result;
}

// ---------------------------------------------------------------- Syzygy

inline constexpr uint32_t SYZYGY_RESULTS_MAGIC = 0x5d23e871;
inline constexpr uint32_t SYZYGY_DISTANCES_MAGIC = 0xa50c66d7;
inline constexpr int SYZYGY_MAX_SYMBOLS = 4096;  // the reader asserts fewer
inline constexpr int PAWN_CODE = 1;
inline constexpr int KING_CODE = 6;
inline constexpr int BLACK_BIT = 8;

// The men of a table as the reader derives them from the file name.
struct SyzygyMaterial {
    int men;
    bool has_pawns;
    bool kings_only_unique;  // no other man is alone of its kind: the kings are placed as a pair
    int pawns[2];            // the leading group first: the side with fewer pawns, white on a tie
    int leading_colour;
    int count[16];  // by piece code, black codes + 8
};

SyzygyMaterial syzygy_material(int table) {
    SyzygyMaterial m{};
    int side = 0;
    for (const char* c = table_name(table) + 1; *c; c++) {
        if (*c == 'k') {
            side = 1;
            continue;
        }
        m.count[(std::strchr("pnbrq", *c) - "pnbrq" + 1) | side * BLACK_BIT]++;
    }
    m.count[KING_CODE]++;
    m.count[KING_CODE | BLACK_BIT]++;
    int unique = 0;
    for (int code = 0; code < 16; code++) {
        m.men += m.count[code];
        if (m.count[code] == 1) unique++;
    }
    m.has_pawns = m.count[PAWN_CODE] + m.count[PAWN_CODE | BLACK_BIT] > 0;
    m.kings_only_unique = unique == 2;
    m.pawns[0] = m.count[PAWN_CODE];
    m.pawns[1] = m.count[PAWN_CODE | BLACK_BIT];
    if (m.pawns[1] > 0 && (m.pawns[0] == 0 || m.pawns[0] > m.pawns[1])) {
        m.pawns[0] = m.count[PAWN_CODE | BLACK_BIT];
        m.pawns[1] = m.count[PAWN_CODE];
        m.leading_colour = 1;
    }
    return m;
}

// Placements of the leading pawn group with its first pawn on file f (a..d,
// the board mirrored): that pawn stands on one of the file's six squares and
// the others on squares that come before it in the reader's pawn order, of
// which there are 47 - 12 f - 2 r on rank r + 2.
uint64_t leading_pawn_placements(int pawns, int file) {
    uint64_t sum = 0;
    for (int r = 0; r < 6; r++) sum += binomial(47 - 12 * file - 2 * r, pawns - 1);
    return sum;
}

// One table of a file: the order of its men and the number of positions.
// Returns 0 when the description is not one the reader can use.
uint64_t syzygy_positions(const FileBytes& f, size_t at, int shift, const SyzygyMaterial& m, int file) {
    const bool by_file = m.has_pawns;
    const bool more_pawns = by_file && m.pawns[1] > 0;
    int pieces[16];
    int seen[16] = {};
    for (int i = 0; i < m.men; i++) {
        pieces[i] = static_cast<int>(f.u8(at + 1 + (more_pawns ? 1 : 0) + i) >> shift & 0x0f);
        // Men of one kind stand together: the reader fills them in one go.
        if (seen[pieces[i]] > 0 && pieces[i - 1] != pieces[i]) return 0;
        seen[pieces[i]]++;
    }
    if (std::memcmp(seen, m.count, sizeof seen) != 0) return 0;
    int norm[16] = {};
    int k = norm[0] = by_file ? m.pawns[0] : m.kings_only_unique ? 2 : 3;
    if (by_file) {
        const int leading = PAWN_CODE | m.leading_colour * BLACK_BIT;
        for (int i = 0; i < m.pawns[0]; i++)
            if (pieces[i] != leading) return 0;
        for (int i = 0; i < m.pawns[1]; i++)
            if (pieces[m.pawns[0] + i] != (leading ^ BLACK_BIT)) return 0;
    }
    if (more_pawns) {
        norm[k] = m.pawns[1];
        k += norm[k];
    }
    for (int i = k; i < m.men; i += norm[i])
        for (int j = i; j < m.men && pieces[j] == pieces[i]; j++) norm[i]++;
    const int order = static_cast<int>(f.u8(at) >> shift & 0x0f);
    const int order2 = more_pawns ? static_cast<int>(f.u8(at + 1) >> shift & 0x0f) : 0x0f;
    // The groups are multiplied in the order the file gives; the reader
    // loops until every group is placed, so both orders must name a step.
    bool order_done = false, order2_done = !more_pawns;
    int n = 64 - k;
    uint64_t size = 1;
    for (int i = 0; k < m.men || i == order || i == order2; i++) {
        if (i > 15) return 0;
        if (i == order) {
            size *= by_file ? leading_pawn_placements(norm[0], file) : m.kings_only_unique ? 462 : 31332;
            order_done = true;
        } else if (i == order2) {
            size *= binomial(48 - norm[0], norm[norm[0]]);
            order2_done = true;
        } else {
            size *= binomial(n, norm[k]);
            n -= norm[k];
            k += norm[k];
        }
    }
    return order_done && order2_done ? size : 0;
}

// A compressed table: the header of its Huffman code and where its parts lie.
struct SyzygyPairs {
    bool constant;
    uint8_t flags;
    int block_shift, index_bits, min_length, max_length, symbol_count;
    uint32_t real_blocks, blocks;
    size_t offsets_at, symbols_at;
    size_t index_at, sizes_at, data_at;
    uint64_t positions, index_entries;
    uint64_t base[64];
    uint8_t expansion[SYZYGY_MAX_SYMBOLS];  // values a symbol stands for, minus one
    uint32_t largest_value;
};

// Lengths of the symbol pairs, which refer to lower symbols only through a
// tree: a loop would never end in the reader.
const char* check_symbols(const FileBytes& f, SyzygyPairs& d, bool results) {
    uint8_t state[SYZYGY_MAX_SYMBOLS] = {};  // 0 unseen, 1 open, 2 done
    int stack[SYZYGY_MAX_SYMBOLS];
    d.largest_value = 0;
    for (int start = 0; start < d.symbol_count; start++) {
        int depth = 0;
        if (state[start] == 0) stack[depth++] = start;
        while (depth > 0) {
            const int s = stack[depth - 1];
            const size_t w = d.symbols_at + 3 * static_cast<size_t>(s);
            const int right = static_cast<int>(f.u8(w + 2) << 4 | f.u8(w + 1) >> 4);
            const int left = static_cast<int>((f.u8(w + 1) & 0x0f) << 8 | f.u8(w));
            if (right == 0x0fff) {
                if (results && f.u8(w) > 4) return "a result that is not a win, draw or loss";
                if (static_cast<uint32_t>(left) > d.largest_value)
                    d.largest_value = static_cast<uint32_t>(left);
                d.expansion[s] = 0;
                state[s] = 2;
                depth--;
                continue;
            }
            if (left >= d.symbol_count || right >= d.symbol_count) return "a symbol pair out of range";
            state[s] = 1;
            bool pushed = false;
            for (int child : {left, right}) {
                if (state[child] == 1) return "a symbol that contains itself";
                if (state[child] == 0) {
                    stack[depth++] = child;
                    pushed = true;
                    break;
                }
            }
            if (pushed) continue;
            const int length = d.expansion[left] + d.expansion[right] + 1;
            if (length > 255) return "a symbol too long for the reader";
            d.expansion[s] = static_cast<uint8_t>(length);
            state[s] = 2;
            depth--;
        }
    }
    return nullptr;
}

// The canonical code: every code the reader can decode must name a symbol.
const char* check_code(const FileBytes& f, SyzygyPairs& d) {
    const int lengths = d.max_length - d.min_length + 1;
    d.base[lengths - 1] = 0;
    for (int i = lengths - 2; i >= 0; i--) {
        d.base[i] = (d.base[i + 1] + f.u16(d.offsets_at + 2 * i) - f.u16(d.offsets_at + 2 * (i + 1))) / 2;
    }
    for (int i = 0; i < lengths; i++) d.base[i] <<= 64 - (d.min_length + i);
    // A code takes the shortest length whose base it reaches.
    unsigned __int128 below = static_cast<unsigned __int128>(1) << 64;
    for (int i = 0; i < lengths; i++) {
        if (below > d.base[i]) {
            const uint64_t highest = static_cast<uint64_t>(below - 1);
            const uint64_t symbol =
                f.u16(d.offsets_at + 2 * i) + ((highest - d.base[i]) >> (64 - (d.min_length + i)));
            if (symbol >= static_cast<uint64_t>(d.symbol_count)) return "a code without a symbol";
            below = d.base[i];
        }
    }
    return nullptr;
}

// The header of one compressed table at at; moves at past it.
const char* read_pairs(const FileBytes& f, size_t& at, uint64_t positions, bool results, SyzygyPairs& d) {
    d = SyzygyPairs{};
    d.positions = positions;
    if (!f.has(at, 2)) return "a table header past the end";
    d.flags = static_cast<uint8_t>(f.u8(at));
    if (d.flags & 0x80) {  // one value for every position
        d.constant = true;
        if (results && f.u8(at + 1) > 4) return "a result that is not a win, draw or loss";
        at += 2;
        return nullptr;
    }
    if (!f.has(at, 12)) return "a table header past the end";
    d.block_shift = static_cast<int>(f.u8(at + 1));
    d.index_bits = static_cast<int>(f.u8(at + 2));
    d.real_blocks = f.u32(at + 4);
    d.blocks = d.real_blocks + f.u8(at + 3);
    d.max_length = static_cast<int>(f.u8(at + 8));
    d.min_length = static_cast<int>(f.u8(at + 9));
    if (d.block_shift > 24 || d.index_bits < 1 || d.index_bits > 30) return "an unusable block or index size";
    if (d.min_length < 1 || d.max_length < d.min_length || d.max_length > 63) return "unusable code lengths";
    const size_t lengths = static_cast<size_t>(d.max_length - d.min_length + 1);
    d.offsets_at = at + 10;
    if (!f.has(at, 12 + 2 * lengths)) return "a table header past the end";
    d.symbol_count = static_cast<int>(f.u16(at + 10 + 2 * lengths));
    if (d.symbol_count == 0 || d.symbol_count >= SYZYGY_MAX_SYMBOLS) return "an unusable number of symbols";
    d.symbols_at = at + 12 + 2 * lengths;
    const size_t end = d.symbols_at + 3 * static_cast<size_t>(d.symbol_count) + (d.symbol_count & 1);
    if (end > f.size) return "a table header past the end";
    if (const char* fault = check_symbols(f, d, results)) return fault;
    if (const char* fault = check_code(f, d)) return fault;
    d.index_entries = (positions + (uint64_t{1} << d.index_bits) - 1) >> d.index_bits;
    at = end;
    return nullptr;
}

// Every entry of the index must start the reader's walk over the block
// sizes at a block of the table, and every position it serves must end in
// one.
const char* check_index(const FileBytes& f, const SyzygyPairs& d) {
    if (d.constant) return nullptr;
    const uint64_t half = uint64_t{1} << (d.index_bits - 1);
    // Positions before each block, summed as the walk goes.
    uint64_t covered = 0;
    for (uint32_t b = 0; b < d.real_blocks; b++) covered += f.u16(d.sizes_at + 2 * uint64_t{b}) + 1;
    uint64_t block_start = 0;
    uint32_t start_block = 0;
    for (uint64_t entry = 0; entry < d.index_entries; entry++) {
        const size_t at = d.index_at + 6 * entry;
        const uint32_t block = f.u32(at);
        const uint64_t offset = f.u16(at + 4);
        if (block >= d.blocks) return "an index entry past the blocks";
        if (block < start_block) {
            block_start = 0;
            start_block = 0;
        }
        for (; start_block < block; start_block++)
            block_start += f.u16(d.sizes_at + 2 * uint64_t{start_block}) + 1;
        const uint64_t first = entry << d.index_bits;
        const uint64_t last =
            (first + (uint64_t{1} << d.index_bits) < d.positions ? first + (uint64_t{1} << d.index_bits)
                                                                 : d.positions) -
            1;
        if (block_start + offset < half) return "an index entry before the first block";
        if (block_start + offset - half + (last - first) >= covered) return "an index entry past the blocks";
    }
    return nullptr;
}

// Decodes a block as the reader does up to its last value and tells how far
// the reader reads; a damaged block may take the reader past the mapping.
bool decodes_inside(const FileBytes& f, const SyzygyPairs& d, uint32_t block, size_t mapped_size) {
    size_t at = d.data_at + (static_cast<size_t>(block) << d.block_shift);
    int64_t remaining = f.u16(d.sizes_at + 2 * uint64_t{block});
    auto word = [&](int bytes) -> uint64_t {
        uint64_t w = 0;
        for (int i = 0; i < bytes; i++) w = w << 8 | (at + i < f.size ? f.bytes[at + i] : 0);
        at += bytes;
        return w;
    };
    if (at + 8 > mapped_size) return false;
    uint64_t code = word(8);
    int empty_bits = 0;
    const uint64_t* base = d.base - d.min_length;
    for (;;) {
        int length = d.min_length;
        while (code < base[length]) length++;
        const uint64_t symbol =
            f.u16(d.offsets_at + 2 * (length - d.min_length)) + ((code - base[length]) >> (64 - length));
        if (remaining < d.expansion[symbol] + 1) return true;
        remaining -= d.expansion[symbol] + 1;
        code <<= length;
        empty_bits += length;
        if (empty_bits >= 32) {
            empty_bits -= 32;
            if (at + 4 > mapped_size) return false;
            code |= word(4) << empty_bits;
        }
    }
}

// Blocks near the end of the mapping are decoded: elsewhere even a damaged
// block cannot carry the reader past it.
const char* check_blocks(const FileBytes& f, const SyzygyPairs& d, size_t mapped_size) {
    if (d.constant) return nullptr;
    for (uint32_t b = 0; b < d.real_blocks; b++) {
        const uint64_t values = f.u16(d.sizes_at + 2 * uint64_t{b}) + 1;
        const uint64_t reach = d.data_at + (static_cast<uint64_t>(b) << d.block_shift) + 8 +
                               4 * ((values * static_cast<uint64_t>(d.max_length) + 31) / 32);
        if (reach > mapped_size && !decodes_inside(f, d, b, mapped_size))
            return "a block that decodes past the file";
    }
    return nullptr;
}

const char* check_syzygy(const FileBytes& f, size_t mapped_size, bool distances, int table) {
    const SyzygyMaterial m = syzygy_material(table);
    if (!f.has(0, 5) || f.size % 64 != 16) return "not a whole file";
    if (f.u32(0) != (distances ? SYZYGY_DISTANCES_MAGIC : SYZYGY_RESULTS_MAGIC))
        return "not a table of its kind";
    const bool split = !distances && (f.u8(4) & 0x01);
    const int tables = m.has_pawns ? 4 : 1;
    const int sides = split ? 2 : 1;
    const size_t description = static_cast<size_t>(m.men) + 1 + (m.has_pawns && m.pawns[1] > 0 ? 1 : 0);
    size_t at = 5;
    uint64_t positions[4][2] = {};
    for (int t = 0; t < tables; t++) {
        if (!f.has(at, description)) return "a table description past the end";
        for (int s = 0; s < sides; s++) {
            positions[t][s] = syzygy_positions(f, at, 4 * s, m, t);
            if (positions[t][s] == 0) return "men that are not the table's";
        }
        at += description;
    }
    at += at & 1;
    static SyzygyPairs pairs[4][2];
    for (int t = 0; t < tables; t++)
        for (int s = 0; s < sides; s++)
            if (const char* fault = read_pairs(f, at, positions[t][s], !distances, pairs[t][s])) return fault;
    // Distances may be stored as indices into per-table maps.
    size_t map_at = at;
    size_t map_entry[4][4] = {};
    for (int t = 0; distances && t < tables; t++) {
        const uint8_t flags = pairs[t][0].flags;
        if (!(flags & 2)) continue;
        if (flags & 16) at += at & 1;
        for (int i = 0; i < 4; i++) {
            const size_t width = flags & 16 ? 2 : 1;
            if (!f.has(at, width)) return "a distance map past the end";
            // The reader keeps the place as a 16-bit count.
            map_entry[t][i] = static_cast<uint16_t>(at + 1 - map_at);
            at += width + width * (width == 2 ? f.u16(at) : f.u8(at));
        }
    }
    if (distances) at += at & 1;
    for (int t = 0; t < tables; t++)
        for (int s = 0; s < sides; s++) {
            pairs[t][s].index_at = at;
            at += pairs[t][s].constant ? 0 : 6 * pairs[t][s].index_entries;
        }
    for (int t = 0; t < tables; t++)
        for (int s = 0; s < sides; s++) {
            pairs[t][s].sizes_at = at;
            at += pairs[t][s].constant ? 0 : 2 * uint64_t{pairs[t][s].blocks};
        }
    for (int t = 0; t < tables; t++)
        for (int s = 0; s < sides; s++) {
            at = (at + 63) & ~size_t{63};
            pairs[t][s].data_at = at;
            at += pairs[t][s].constant
                      ? 0
                      : static_cast<size_t>(pairs[t][s].real_blocks) << pairs[t][s].block_shift;
        }
    // The parts add up to the file: the last one padded to 64 bytes, then a
    // 16-byte trailer.
    if (((at + 63) & ~size_t{63}) + 16 != f.size) return "parts that do not add up to the file";
    for (int t = 0; t < tables; t++)
        for (int s = 0; s < sides; s++) {
            if (const char* fault = check_index(f, pairs[t][s])) return fault;
            if (const char* fault = check_blocks(f, pairs[t][s], mapped_size)) return fault;
        }
    for (int t = 0; distances && t < tables; t++) {
        const uint8_t flags = pairs[t][0].flags;
        if (!(flags & 2)) continue;
        const size_t width = flags & 16 ? 2 : 1;
        for (int i = 0; i < 4; i++) {
            if (map_at + width * (map_entry[t][i] + pairs[t][0].largest_value) + width > f.size)
                return "a distance past its map";
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------- Gaviota

inline constexpr uint32_t GAVIOTA_BLOCK_VALUES = 16384;   // the reader's fixed block
inline constexpr uint32_t GAVIOTA_LARGEST_BLOCK = 65536;  // its buffer for one compressed block
inline constexpr size_t GAVIOTA_HEADER = 40;

// The number of positions the reader indexes for each side to move. Kings:
// 462 placements with the pawnless symmetry, or 64 each once a pawn fixes the
// board's direction (24 squares for the leading pawn on files a-d).
uint64_t gaviota_positions(int table) {
    const char* name = table_name(table);
    const char* black = std::strchr(name + 1, 'k');
    const int white_count = static_cast<int>(black - name - 1);
    const bool pawns = std::strchr(name, 'p') != nullptr;
    const uint64_t kk = 462, pp = 576, p_p = 24 * 48, aa = 2016, pp48 = 1128;
    const char a = name[1], b = white_count > 1 ? name[2] : 0, c = black[1];
    if (!pawns) {
        if (white_count == 1 && !c) return kk * 64;
        if (white_count == 1) return kk * 64 * 64;
        if (!c) return a == b ? kk * aa : kk * 64 * 64;
        return a == b ? kk * aa * 64 : kk * 64 * 64 * 64;
    }
    if (white_count == 1 && !c) return 24 * 64 * 64;                                      // kpk
    if (white_count == 1) return a == 'p' ? p_p * 64 * 64 : 24 * 64 * 64 * 64;            // kpkp, kakp
    if (!c) return a == b ? pp * 64 * 64 : 24 * 64 * 64 * 64;                             // kppk, kapk
    if (a == 'p' && b == 'p') return c == 'p' ? 24 * pp48 * 64 * 64 : pp * 64 * 64 * 64;  // kppkp, kppka
    if (b == 'p') return c == 'p' ? p_p * 64 * 64 * 64 : 24 * 64 * 64 * 64 * 64;          // kapkp, kapkb
    return a == b ? 24 * aa * 64 * 64 : 24 * 64 * 64 * 64 * 64;                           // kaakp, kabkp
}

const char* check_gaviota(const FileBytes& f, int table) {
    if (!f.has(0, GAVIOTA_HEADER + 4)) return "shorter than its header";
    if (f.u32(8) != GAVIOTA_BLOCK_VALUES) return "not the reader's block size";
    const uint64_t positions = gaviota_positions(table);
    const uint64_t blocks_per_side = (positions + GAVIOTA_BLOCK_VALUES - 1) / GAVIOTA_BLOCK_VALUES;
    const uint32_t tail = static_cast<uint32_t>(positions % GAVIOTA_BLOCK_VALUES);
    if (f.u32(16) != tail || f.u32(24) != tail) return "blocks that are not the table's";
    const uint64_t offset = f.u32(32);
    if (offset != GAVIOTA_HEADER + 4 * (2 * blocks_per_side + 1)) return "blocks that are not the table's";
    if (!f.has(0, offset)) return "shorter than its block index";
    // The block index: where each block starts, then the end of the last.
    uint64_t previous = f.u32(GAVIOTA_HEADER);
    if (previous != offset) return "a block index that does not start at the blocks";
    for (uint64_t i = 1; i <= 2 * blocks_per_side; i++) {
        const uint64_t next = f.u32(GAVIOTA_HEADER + 4 * i);
        if (next <= previous || next - previous > GAVIOTA_LARGEST_BLOCK) return "a block of an unusable size";
        previous = next;
    }
    if (previous != f.size) return "blocks that do not end at the end of the file";
    return nullptr;
}

}  // namespace

const char* check_table_bytes(const uint8_t* bytes, size_t size, size_t mapped_size, TableFileKind kind,
                              int table) {
    if (table < 1 || table > TABLE_COUNT) return "no table of the engine's";
    const FileBytes f{bytes, size};
    if (kind == GAVIOTA_DISTANCES) return check_gaviota(f, table);
    return check_syzygy(f, mapped_size, kind == SYZYGY_DISTANCES, table);
}

const char* check_table_file(const char* path, TableFileKind kind, int table) {
    const int fd = open(path, O_RDONLY);
    if (fd < 0) return "cannot be opened";
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return "not a file";
    }
    const size_t size = static_cast<size_t>(info.st_size);
    if (size == 0) {
        close(fd);
        return check_table_bytes(nullptr, 0, 0, kind, table);
    }
    void* map = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    if (map == MAP_FAILED) return "cannot be read";
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t mapped_size = (size + page - 1) / page * page;
    const char* fault = check_table_bytes(static_cast<const uint8_t*>(map), size, mapped_size, kind, table);
    munmap(map, size);
    return fault;
}
