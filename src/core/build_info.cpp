// CMakeLists.txt defines the texts for this file alone, so that another
// version or install layout recompiles nothing else.
#include "core/build_info.h"

#if !defined(JUX_RELEASE_TEXT) || !defined(JUX_BOOK_FROM_BINDIR)
#error "build_info.cpp needs the definitions CMakeLists.txt gives it"
#endif

const char* const JUX_RELEASE = JUX_RELEASE_TEXT;
const char* const BOOK_FROM_PROGRAM_DIR = JUX_BOOK_FROM_BINDIR;
