#include "frontend/command_text.h"

#include <cctype>
#include <cstring>

namespace {

bool is_blank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

const char* skip_blanks(const char* text) {
    while (is_blank(*text)) text++;
    return text;
}

// Reads an optional sign and at least one digit; returns the position after
// the number, or nullptr when there is no digit.
const char* read_signed_digits(const char* text, int32_t& value) {
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    if (!is_digit(*text)) return nullptr;
    // Accumulate the magnitude with a ceiling so that no digit count overflows.
    constexpr int64_t ceiling = int64_t{INT32_MAX} + 1;
    int64_t magnitude = 0;
    for (; is_digit(*text); text++) {
        magnitude = magnitude * 10 + (*text - '0');
        if (magnitude > ceiling) magnitude = ceiling;
    }
    int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value > INT32_MAX) signed_value = INT32_MAX;
    value = static_cast<int32_t>(signed_value);
    return text;
}

}  // namespace

bool begins_with(const char* line, const char* prefix) {
    return std::strncmp(line, prefix, std::strlen(prefix)) == 0;
}

bool scan_pattern(const char* line, const char* pattern, int32_t* number, char* word, int word_size) {
    const char* in = line;
    for (const char* p = pattern; *p != 0; p++) {
        if (*p == ' ') {
            in = skip_blanks(in);
        } else if (p[0] == '%' && p[1] == 'd') {
            int32_t value = 0;
            in = read_signed_digits(skip_blanks(in), value);
            if (in == nullptr) return false;
            if (number != nullptr) *number = value;
            p++;
        } else if (p[0] == '%' && p[1] == 's') {
            in = skip_blanks(in);
            if (*in == 0) return false;
            int length = 0;
            while (in[length] != 0 && !is_blank(in[length])) length++;
            if (word != nullptr && word_size > 0) {
                int kept = length < word_size - 1 ? length : word_size - 1;
                std::memcpy(word, in, static_cast<size_t>(kept));
                word[kept] = 0;
            }
            in += length;
            p++;
        } else {
            if (*in != *p) return false;
            in++;
        }
    }
    return true;
}
