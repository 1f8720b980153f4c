#include "egtb/nalimov.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

NalimovRegistry nalimov;

namespace {

// What a compressed file's header can report.
enum CompressedHeaderStatus { HEADER_OK = 0, HEADER_READ_ERROR = 2, HEADER_NO_MEMORY = 5, HEADER_BROKEN = 6 };

// The head of a compressed file as the engine reads it: the block size and
// the length of the uncompressed table, each a 32-bit little-endian word.
struct CompressedHeader {
    int64_t block_size;
    int64_t length;
};
inline constexpr int COMPRESSED_HEADER_BYTES = 8;

uint32_t little_endian_word(const unsigned char* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

int read_compressed_header(std::FILE* file, CompressedHeader& header) {
    unsigned char bytes[COMPRESSED_HEADER_BYTES];
    if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) return HEADER_READ_ERROR;
    header.block_size = little_endian_word(bytes);
    header.length = little_endian_word(bytes + 4);
    // Every table holds positions, so an empty one is damaged.
    if (header.length == 0) return HEADER_BROKEN;
    return HEADER_OK;
}

const char* header_error_text(int status, char* buffer, int size) {
    switch (status) {
        case HEADER_READ_ERROR:
            return "read error";
        case HEADER_NO_MEMORY:
            return "out of memory";
        case HEADER_BROKEN:
            return "file broken";
        default:
            std::snprintf(buffer, size, "error %d", status);
            return buffer;
    }
}

// A plain table: its length is the file's size. Returns false when no file
// of that name can be opened. Only regular files can be measured; anything
// else that opens under a table's name ends the engine.
bool measure_plain_table(const char* name, int64_t& length) {
    // Non-blocking, so that a pipe under a table's name cannot hang the engine.
    int fd = open(name, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info;
    bool measured = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    close(fd);
    if (!measured) tablebase_registration_failed("*** Seek in %s failed\n", name);
    length = info.st_size;
    return true;
}

// A compressed table under either of its two names: kqk.nbw.emd or kqknbw.emd.
bool measure_compressed_table(char* name, int size, const char* dir, const char* table,
                              const char* side_suffix, int64_t& length) {
    char file_name[32];
    std::FILE* file = nullptr;
    for (const char* dot : {".", ""}) {
        std::snprintf(file_name, sizeof file_name, "%s%s%s.emd", table, dot, side_suffix);
        if (!join_tablebase_file_name(name, size, dir, file_name)) {
            tablebase_registration_failed("*** Unable to register %s\n", name);
        }
        int fd = open(name, O_RDONLY | O_NONBLOCK);
        if (fd < 0) continue;
        file = fdopen(fd, "rb");
        if (file) break;
        close(fd);
    }
    if (!file) return false;
    CompressedHeader header{};
    int status = read_compressed_header(file, header);
    std::fclose(file);
    if (status != HEADER_OK) {
        char text[32];
        tablebase_registration_failed("*** Unable to read %s - %s\n", name,
                                      header_error_text(status, text, sizeof text));
    }
    if (header.block_size != NALIMOV_BLOCK_SIZE) {
        tablebase_registration_failed("*** %s: Unsupported block size %d\n", name,
                                      static_cast<int>(header.block_size));
    }
    length = header.length;
    return true;
}

void try_register(const char* dir, int table, int side) {
    if (nalimov.file[table][side][0] != '\0') return;  // an earlier directory has it
    const char* side_suffix = side == 0 ? "nbw" : "nbb";
    char file_name[32];
    std::snprintf(file_name, sizeof file_name, "%s.%s", table_name(table), side_suffix);
    char name[NALIMOV_FILE_NAME_SIZE];
    if (!join_tablebase_file_name(name, sizeof name, dir, file_name)) {
        tablebase_registration_failed("*** Unable to register %s\n", name);
    }
    int64_t length = 0;
    if (!measure_plain_table(name, length) &&
        !measure_compressed_table(name, sizeof name, dir, table_name(table), side_suffix, length)) {
        return;
    }
    int64_t& expected = nalimov.expected_length[table][side];
    if (expected != 0 && expected != length) tablebase_registration_failed("*** %s corrupted\n", name);
    expected = length;
    std::memcpy(nalimov.file[table][side], name, sizeof name);
    nalimov.registered_count++;
    if (table > nalimov.largest_table) nalimov.largest_table = table;
}

}  // namespace

int register_nalimov_tables(const TablebaseDirectories& dirs) {
    for (int table = 0; table <= TABLE_COUNT; table++) {
        nalimov.file[table][0][0] = '\0';
        nalimov.file[table][1][0] = '\0';
    }
    nalimov.registered_count = 0;
    nalimov.largest_table = 0;
    for (int d = 0; d < dirs.count; d++) {
        for (int table = 1; table <= TABLE_COUNT; table++) {
            for (int side = 0; side < 2; side++) try_register(dirs.dir[d], table, side);
        }
    }
    return nalimov.largest_table;
}

int tablebase_class(int largest_table) {
    if (largest_table > 35) return 5;
    if (largest_table >= 6) return 4;
    if (largest_table >= 1) return 3;
    return 0;
}
