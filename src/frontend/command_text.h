// Reading command lines: prefixes and the scan patterns of the option
// commands.
#pragma once

#include <cstdint>

bool begins_with(const char* line, const char* prefix);

// Matches line against pattern the way a formatted scan does: a blank
// matches any run of white space (none included), "%d" reads a decimal
// integer (held at the ends of the int range), "%s" reads one word up to the
// next white space, and every other character must match exactly. Text after
// the pattern is not looked at. The pattern holds at most one conversion;
// number receives "%d", word receives "%s" cut to word_size - 1 characters.
bool scan_pattern(const char* line, const char* pattern, int32_t* number = nullptr, char* word = nullptr,
                  int word_size = 0);
