// What the build configuration fixes: the version and where an installed
// engine keeps its data.
#pragma once

// The release number, "major.minor.patch" (the manual pages, the library's
// soname and the packages carry the same).
extern const char* const JUX_RELEASE;

// The installed book, relative to the directory of the installed engine (an
// installed or staged tree can be moved as a whole).
extern const char* const BOOK_FROM_PROGRAM_DIR;
