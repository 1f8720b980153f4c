// A line-by-line PGN reader. It keeps going after errors: a game with a
// broken tag, an unclosed comment or variation, a stray closing bracket or a
// byte that has no place in a game is returned with its error set, and the
// next game starts at the next tag section. Every step consumes input, so
// any input ends.
#include "book/pgn.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// Lines end in LF, CR LF or a lone CR (old Mac files).
bool next_line(PgnReader& reader, std::string& line) {
    reader.line_cut = false;
    if (reader.has_pending) {
        line.swap(reader.pending);
        reader.has_pending = false;
        return true;
    }
    std::streambuf* in = reader.in->rdbuf();
    line.clear();
    int c = in ? in->sbumpc() : EOF;
    if (c == EOF) return false;
    for (; c != EOF && c != '\n' && c != '\r'; c = in->sbumpc()) {
        if (line.size() < PGN_LINE_LIMIT)
            line += static_cast<char>(c);
        else
            reader.line_cut = true;
    }
    if (c == '\r' && in->sgetc() == '\n') in->sbumpc();
    reader.line_number++;
    if (reader.line_number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // UTF-8 mark
    return true;
}

// White space and printable text; any other control byte (a NUL, say) has
// no place in a game file.
bool is_control_byte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u < 32 && !std::isspace(u)) || u == 127;
}

// Characters that end a move token.
bool ends_token(char c) {
    return std::isspace(static_cast<unsigned char>(c)) || is_control_byte(c) || c == '{' || c == '}' ||
           c == '(' || c == ')' || c == ';' || c == '$';
}

void set_error(PgnGame& game, std::string error) {
    if (game.error.empty()) game.error = std::move(error);
}

void push_back_line(PgnReader& reader, std::string&& rest) {
    reader.pending = std::move(rest);
    reader.has_pending = true;
}

size_t skip_blanks(const std::string& line, size_t i) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) i++;
    return i;
}

// Parses the tag pairs of one line into game.tags; false on a broken one.
bool parse_tags(const std::string& line, PgnGame& game) {
    size_t i = skip_blanks(line, 0);
    while (i < line.size()) {
        if (line[i] != '[') return false;
        i = skip_blanks(line, i + 1);
        PgnTag tag;
        while (i < line.size() && (std::isalnum(static_cast<unsigned char>(line[i])) || line[i] == '_'))
            tag.name += line[i++];
        i = skip_blanks(line, i);
        if (tag.name.empty() || i >= line.size() || line[i] != '"') return false;
        for (i++; i < line.size() && line[i] != '"'; i++) {
            if (line[i] == '\\' && i + 1 < line.size()) i++;
            tag.value += line[i];
        }
        if (i >= line.size()) return false;
        i = skip_blanks(line, i + 1);
        if (i >= line.size() || line[i] != ']') return false;
        game.tags.push_back(std::move(tag));
        i = skip_blanks(line, i + 1);
    }
    return true;
}

bool is_move_number(const std::string& token, size_t& digits_and_dots) {
    size_t i = 0;
    while (i < token.size() && std::isdigit(static_cast<unsigned char>(token[i]))) i++;
    size_t digits = i;
    while (i < token.size() && token[i] == '.') i++;
    // "12." or "12..." possibly glued to the move; a bare "12" counts too.
    if (digits == 0 && i > 0 && i == token.size()) {  // "..." alone
        digits_and_dots = i;
        return true;
    }
    if (digits == 0 || (i == digits && i != token.size())) return false;
    digits_and_dots = i;
    return true;
}

}  // namespace

bool is_pgn_result(const std::string& token) {
    return token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*";
}

void open_pgn(PgnReader& reader, std::istream& in) {
    reader.in = &in;
    reader.line_number = 0;
    reader.games_read = 0;
    reader.pending.clear();
    reader.has_pending = false;
    reader.line_cut = false;
}

const std::string* pgn_tag(const PgnGame& game, const char* name) {
    for (const PgnTag& tag : game.tags)
        if (tag.name == name) return &tag.value;
    return nullptr;
}

bool read_pgn_game(PgnReader& reader, PgnGame& game) {
    game = PgnGame{};
    bool started = false;   // tags or movetext seen
    bool in_moves = false;  // a move or result token of the main line seen
    bool in_comment = false;
    std::string comment;  // the start of the main line's open comment
    int depth = 0;        // variation nesting
    std::string line;
    while (next_line(reader, line)) {
        if (reader.line_cut) set_error(game, "line longer than " + std::to_string(PGN_LINE_LIMIT) + " bytes");
        if (!line.empty() && line[0] == '%') continue;  // escape line
        size_t first = skip_blanks(line, 0);
        bool tag_line = first < line.size() && line[first] == '[';
        if ((in_comment || depth > 0) && line.compare(0, 7, "[Event ") == 0) {
            // A comment or variation that runs into the next game's tags was
            // never closed.
            const char* error = in_comment ? "unclosed comment" : "unclosed variation";
            in_comment = false;
            depth = 0;
            if (started) {
                set_error(game, error);
                push_back_line(reader, std::move(line));
                break;
            }
        }
        if (!in_comment && depth == 0 && tag_line) {
            if (in_moves) {  // the next game begins; this one had no termination
                push_back_line(reader, std::move(line));
                break;
            }
            if (!started) game.line = reader.line_number;
            started = true;
            if (!parse_tags(line, game)) set_error(game, "malformed tag: " + line.substr(0, 80));
            continue;
        }

        bool finished = false;
        size_t i = 0;
        while (i < line.size() && !finished) {
            char c = line[i];
            if (!started) game.line = reader.line_number;
            if (in_comment) {
                if (c == '}') {
                    in_comment = false;
                    if (depth == 0 && comment == "book")
                        game.book_plies = static_cast<int>(game.moves.size());
                } else if (depth == 0 && comment.size() < 8) {
                    comment += c;
                }
                i++;
            } else if (c == '{') {
                in_comment = true;
                comment.clear();
                i++;
            } else if (c == ';') {
                break;
            } else if (c == '(') {
                depth++;
                i++;
            } else if (c == ')' || c == '}') {
                if (c == '}' || depth == 0) set_error(game, std::string("unbalanced '") + c + "'");
                if (c == ')' && depth > 0) depth--;
                started = true;
                i++;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                i++;
            } else if (is_control_byte(c)) {
                char what[32];
                std::snprintf(what, sizeof what, "control byte 0x%02X", static_cast<unsigned char>(c));
                set_error(game, what);
                started = true;
                i++;
            } else if (c == '$') {
                for (i++; i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])); i++) {
                }
            } else {
                size_t end = i + 1;  // c itself ends no token
                while (end < line.size() && !ends_token(line[end])) end++;
                std::string token = line.substr(i, end - i);
                i = end;
                if (depth > 0) continue;  // moves of a variation
                started = true;
                in_moves = true;
                if (is_pgn_result(token)) {
                    game.result = token;
                    finished = true;
                    continue;
                }
                size_t prefix;
                if (is_move_number(token, prefix)) token.erase(0, prefix);
                if (token.empty() || token == "e.p.") continue;
                if (token[0] == '[') set_error(game, "tag inside the moves: " + token.substr(0, 80));
                game.moves.push_back(std::move(token));
            }
        }
        if (finished) {
            size_t rest = skip_blanks(line, i);
            if (rest < line.size()) push_back_line(reader, line.substr(rest));
            break;
        }
    }
    if (!started) return false;
    if (in_comment) set_error(game, "unclosed comment");
    if (depth > 0) set_error(game, "unclosed variation");
    game.number = ++reader.games_read;
    return true;
}
