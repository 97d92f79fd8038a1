// SPDX-License-Identifier: MIT
// Journal entries in the native protocol, and the small JSON reader that
// turns the members of a JSON line back into journal fields.
#include "output/journal_entry.hpp"
#include "core/views.hpp"

#include <cstdint>

namespace tev {
namespace {

constexpr size_t kMaxFieldName = 64;
constexpr std::string_view kOwnKeys[] = {"ts", "lvl", "msg", "time", "level", "message"};

bool append(LineAssembler *a, std::string_view s) { return assembler_append(a, s.data(), s.size()); }
bool append_char(LineAssembler *a, char c) { return assembler_append(a, &c, 1); }

void skip_space(std::string_view s, size_t *i) {
    while (*i < s.size() && (s[*i] == ' ' || s[*i] == '\t' || s[*i] == '\r' || s[*i] == '\n')) ++*i;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool read_hex4(std::string_view s, size_t at, uint32_t *out) {
    if (at + 4 > s.size()) return false;
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) {
        const int h = hex_value(s[at + k]);
        if (h < 0) return false;
        v = v * 16 + static_cast<uint32_t>(h);
    }
    *out = v;
    return true;
}

bool append_utf8(LineAssembler *a, uint32_t cp) {
    char b[4];
    size_t n;
    if (cp < 0x80) {
        b[0] = static_cast<char>(cp);
        n = 1;
    } else if (cp < 0x800) {
        b[0] = static_cast<char>(0xC0 | (cp >> 6));
        b[1] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        b[0] = static_cast<char>(0xE0 | (cp >> 12));
        b[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        b[2] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 3;
    } else {
        b[0] = static_cast<char>(0xF0 | (cp >> 18));
        b[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        b[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        b[3] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 4;
    }
    return assembler_append(a, b, n);
}

// Reads the string starting at s[*i] == '"' into `out` (unescaped); false
// on malformed input or exhausted memory.
bool read_string(std::string_view s, size_t *i, LineAssembler *out) {
    size_t p = *i + 1;
    while (p < s.size() && s[p] != '"') {
        if (s[p] != '\\') {
            size_t run = p;
            while (run < s.size() && s[run] != '"' && s[run] != '\\') ++run;
            if (!assembler_append(out, s.data() + p, run - p)) return false;
            p = run;
            continue;
        }
        if (p + 1 >= s.size()) return false;
        const char e = s[p + 1];
        p += 2;
        char c;
        switch (e) {
            case 'b': c = '\b'; break;
            case 'f': c = '\f'; break;
            case 'n': c = '\n'; break;
            case 'r': c = '\r'; break;
            case 't': c = '\t'; break;
            case 'u': {
                uint32_t cp;
                if (!read_hex4(s, p, &cp)) return false;
                p += 4;
                uint32_t low;
                if (cp >= 0xD800 && cp < 0xDC00 && p + 6 <= s.size() && s[p] == '\\' &&
                    s[p + 1] == 'u' && read_hex4(s, p + 2, &low) && low >= 0xDC00 && low < 0xE000) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    p += 6;
                }
                if (!append_utf8(out, cp)) return false;
                continue;
            }
            default: c = e; break;  // \" \\ \/
        }
        if (!append_char(out, c)) return false;
    }
    if (p >= s.size()) return false;
    *i = p + 1;
    return true;
}

// Skips any value other than a string, nested objects and arrays included;
// false on malformed input.
bool skip_value(std::string_view s, size_t *i) {
    int depth = 0;
    size_t p = *i;
    while (p < s.size()) {
        const char c = s[p];
        if (c == '"') {
            ++p;
            while (p < s.size() && s[p] != '"') p += s[p] == '\\' ? 2 : 1;
            if (p >= s.size()) return false;
            ++p;
            continue;
        }
        if (c == '{' || c == '[') ++depth;
        if (c == '}' || c == ']') {
            if (depth == 0) break;
            --depth;
        }
        if (c == ',' && depth == 0) break;
        ++p;
    }
    if (depth != 0 || p == *i) return false;
    *i = p;
    return true;
}

void field_name(std::string_view key, char *out, size_t *len) {
    size_t n = 0;
    if (!key.empty() && (key[0] == '_' || (key[0] >= '0' && key[0] <= '9'))) {
        for (char c : std::string_view("TEVRA_")) out[n++] = c;
    }
    for (char c : key) {
        if (n == kMaxFieldName) break;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        out[n++] = ok ? c : '_';
    }
    *len = n;
}

bool is_own_key(std::string_view key) {
    for (std::string_view k : kOwnKeys) {
        if (key == k) return true;
    }
    return false;
}

}  // namespace

bool journal_append_field(LineAssembler *entry, std::string_view name, std::string_view value) {
    if (value.find('\n') == std::string_view::npos) {
        return append(entry, name) && append_char(entry, '=') && append(entry, value) &&
               append_char(entry, '\n');
    }
    // A value with a newline goes as NAME\n, its length (64-bit little
    // endian), the bytes and a newline.
    char size[8];
    uint64_t n = value.size();
    for (char &b : size) {
        b = static_cast<char>(n & 0xFF);
        n >>= 8;
    }
    return append(entry, name) && append_char(entry, '\n') && assembler_append(entry, size, 8) &&
           append(entry, value) && append_char(entry, '\n');
}

bool journal_append_json_fields(LineAssembler *entry, std::string_view line) {
    size_t i = 0;
    skip_space(line, &i);
    if (i >= line.size() || line[i] != '{') return true;
    ++i;
    LineAssembler key;
    LineAssembler value;
    bool leading = true;
    bool ok = true;
    for (;;) {
        skip_space(line, &i);
        if (i >= line.size() || line[i] != '"') break;
        key.len = 0;
        value.len = 0;
        if (!read_string(line, &i, &key)) break;
        skip_space(line, &i);
        if (i >= line.size() || line[i] != ':') break;
        ++i;
        skip_space(line, &i);
        std::string_view text;
        if (i < line.size() && line[i] == '"') {
            if (!read_string(line, &i, &value)) break;
            text = std::string_view(value.data, value.len);
        } else {
            const size_t start = i;
            if (!skip_value(line, &i)) break;
            text = slice(line, start, i - start);
            while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
        }
        const std::string_view k(key.data, key.len);
        // The library writes its own members first; a later member of the
        // same name is an event field and goes through.
        if (!(leading && is_own_key(k)) && !k.empty()) {
            leading = false;
            char name[kMaxFieldName + 8];
            size_t name_len;
            field_name(k, name, &name_len);
            if (!journal_append_field(entry, std::string_view(name, name_len), text)) {
                ok = false;
                break;
            }
        }
        skip_space(line, &i);
        if (i >= line.size() || line[i] != ',') break;
        ++i;
    }
    assembler_release(&key);
    assembler_release(&value);
    return ok;
}

std::string_view strip_colour(std::string_view line, LineAssembler *scratch) {
    if (line.find('\x1b') == std::string_view::npos) return line;
    scratch->len = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\x1b' && i + 1 < line.size() && line[i + 1] == '[') {
            i += 2;
            while (i < line.size() && !(line[i] >= 0x40 && line[i] <= 0x7E)) ++i;
            continue;
        }
        if (!append_char(scratch, line[i])) return line;
    }
    return std::string_view(scratch->data, scratch->len);
}

}  // namespace tev
