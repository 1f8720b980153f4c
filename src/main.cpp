#include "frontend/roles.h"

int main(int argc, char** argv) { process_entry(argc, argv); }
