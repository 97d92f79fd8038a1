// SPDX-License-Identifier: MIT
// The text parsers behind configuration from the environment: trimming,
// booleans, level names, octal file permissions and buffer sizes. Everything
// here works on fixed buffers and needs nothing from the rest of the library.
#include <cctype>
#include <cstring>
#include <string_view>

#include "core/env.hpp"
#include "core/level_table.hpp"
#include "text/ascii_case.hpp"

namespace tev {
namespace {

// Level names and booleans fit in 15 bytes; anything longer is cut and so
// never matches by accident (every name is far shorter).
constexpr size_t kWordBuffer = 16;

// Calls `visit` with every name and further spelling of the level table,
// "disabled" included.
template <class Visit>
constexpr void for_each_level_spelling(Visit visit) {
    auto row_spellings = [&visit](const LevelRow &row) {
        visit(row.name);
        for (std::string_view other : row.also) {
            if (!other.empty()) visit(other);
        }
    };
    for (const LevelRow &row : kLevelRows) row_spellings(row);
    row_spellings(kDisabledRow);
}

// How many spellings there are, and that none is cut by the word buffer.
constexpr size_t count_level_spellings() {
    size_t n = 0;
    bool fits = true;
    for_each_level_spelling([&](std::string_view s) {
        ++n;
        fits = fits && s.size() < kWordBuffer;
    });
    return fits ? n : 0;
}
static_assert(count_level_spellings() == 13, "every accepted level name, each shorter than a word");

struct BoolName {
    std::string_view text;
    int value;
};

constexpr BoolName kBoolNames[] = {
    {"1", 1}, {"true", 1},  {"yes", 1}, {"on", 1},
    {"0", 0}, {"false", 0}, {"no", 0},  {"off", 0},
};
static_assert(sizeof kBoolNames / sizeof kBoolNames[0] == 8, "four words each way");

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

char *copy_view(char *dst, size_t size, std::string_view text) {
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    if (n != 0) std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
    return dst;
}

}  // namespace

std::string_view trimmed(const char *text) {
    if (text == nullptr) return {};
    std::string_view v(text);
    while (!v.empty() && is_space(v.front())) v.remove_prefix(1);
    while (!v.empty() && is_space(v.back())) v.remove_suffix(1);
    return v;
}

char *trim_lower_copy(char *dst, size_t size, const char *text) {
    copy_view(dst, size, trimmed(text));
    for (char *p = dst; *p != '\0'; ++p) {
        *p = ascii_lower(*p);
    }
    return dst;
}

bool parse_file_mode(std::string_view text, unsigned *bits) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'o' || text[1] == 'O')) {
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '7') return false;
        value = value * 8 + static_cast<unsigned>(c - '0');
        // Stop before the sum can wrap: past 0777 nothing makes it valid.
        if (value > 0777) return false;
    }
    *bits = value;
    return true;
}

bool parse_buffer_size(std::string_view text, size_t *size) {
    if (text.empty()) return false;
    size_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<size_t>(c - '0');
        // Past the largest size nothing makes it valid; stop before a wrap.
        if (value > kMaxBufferSize) return false;
    }
    if (value < kMinBufferSize) return false;
    *size = value;
    return true;
}

int parse_level(const char *text, int *level) {
    char word[kWordBuffer];
    std::string_view name(trim_lower_copy(word, sizeof word, text));
    for (const LevelRow &row : kLevelRows) {
        if (spells(row, name)) {
            *level = row.level;
            return 1;
        }
    }
    if (!spells(kDisabledRow, name)) return 0;
    *level = kDisabledRow.level;
    return 1;
}

int parse_bool(const char *text, int *value) {
    char word[kWordBuffer];
    std::string_view name(trim_lower_copy(word, sizeof word, text));
    for (const BoolName &entry : kBoolNames) {
        if (entry.text == name) {
            *value = entry.value;
            return 1;
        }
    }
    return 0;
}

}  // namespace tev

extern "C" {

char *tevra_trim_copy(char *dst, size_t size, const char *src) {
    if (dst == nullptr || size == 0) return dst;
    return tev::copy_view(dst, size, tev::trimmed(src));
}

int tevra_parse_bool_value(const char *text, int *value) {
    if (text == nullptr || value == nullptr) return 0;
    return tev::parse_bool(text, value);
}

int tevra_parse_level(const char *text, int *level) {
    if (text == nullptr || level == nullptr) return 0;
    return tev::parse_level(text, level);
}

}  // extern "C"
