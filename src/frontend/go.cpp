// Placeholder: replaced by the search command.
#include "frontend/go.h"

void handle_go(const char*) {}
