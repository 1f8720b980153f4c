#pragma once

// "request position fen ...": answers from the transposition tables.
void query_position(const char* fen_text);
