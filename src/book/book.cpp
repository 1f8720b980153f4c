// Placeholder until the book reader lands: the book never has a move.
#include "book/book.h"

BookState book;

Move probe_book() {
    book.book_in_use = 0;
    return 0;
}
