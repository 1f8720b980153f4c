// The opening book "jux.book": a weighted random choice among stored moves.
#pragma once

#include <cstdint>

#include "board/types.h"

struct BookState {
    int32_t book_in_use;
    int32_t book_miss_count;
};
extern BookState book;

Move probe_book();
