// SPDX-License-Identifier: MIT
// libFuzzer target over the parsers of environment values: level names and
// OUTPUT_FILE_MODE permission bits, checked against plain reference rules,
// plus the trimming every value goes through.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/env.hpp"

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

bool space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The permission rule written out the slow way.
bool reference_file_mode(std::string_view t, unsigned *bits) {
    if (t.size() >= 2 && t[0] == '0' && (t[1] == 'o' || t[1] == 'O')) t.remove_prefix(2);
    if (t.empty()) return false;
    unsigned long value = 0;
    for (char c : t) {
        if (c < '0' || c > '7') return false;
        if (value <= 0777) value = value * 8 + static_cast<unsigned long>(c - '0');
    }
    if (value > 0777) return false;
    *bits = static_cast<unsigned>(value);
    return true;
}

void fuzz_level(const char *text) {
    int level = 1000;
    if (tevra_parse_level(text, &level)) {
        const int known[] = {-1, 0, 1, 2, 3, 4, 5, 6, 127};
        bool found = false;
        for (int k : known) found = found || k == level;
        check(found);
    } else {
        check(level == 1000);
    }
}

void fuzz_file_mode(const char *text) {
    const std::string_view view = tev::trimmed(text);
    unsigned bits = 0xdead;
    unsigned expected = 0xbeef;
    const bool ok = tev::parse_file_mode(view, &bits);
    check(ok == reference_file_mode(view, &expected));
    check(ok ? (bits == expected && bits <= 0777) : bits == 0xdead);
}

void fuzz_trim(const char *text, size_t size) {
    char small[5];
    const size_t cap = size % sizeof small + 1;
    char *out = tevra_trim_copy(small, cap, text);
    check(out == small);
    const size_t n = std::strlen(small);
    const std::string_view t = tev::trimmed(text);
    check(n < cap);
    check(n == (t.size() < cap - 1 ? t.size() : cap - 1));
    check(n == 0 || !space(small[0]));
    check(std::string_view(small, n) == t.substr(0, n));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    auto *text = static_cast<char *>(std::malloc(size + 1));
    if (text == nullptr) return 0;
    std::memcpy(text, data, size);
    text[size] = '\0';
    fuzz_level(text);
    fuzz_file_mode(text);
    fuzz_trim(text, size);
    int value = 7;
    if (!tevra_parse_bool_value(text, &value)) check(value == 7);
    std::free(text);
    return 0;
}
