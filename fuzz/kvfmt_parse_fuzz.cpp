// SPDX-License-Identifier: MIT
// libFuzzer target over the template grammar: any text must parse without
// crashing or leaking, every accepted template must describe itself
// consistently and re-parse to the same items, and the cache of a logger
// must answer with the same items as a plain parse.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tevra.h"

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

// The shortest spelling of every verb code, indexed by code.
constexpr const char *kSpelling[] = {"%s", "%d", "%ld", "%u", "%lu", "%f", "%p", "%b", "%m"};
static_assert(sizeof kSpelling / sizeof kSpelling[0] == TEVRA_KVFMT_ERRNO + 1, "one spelling per verb");

bool key_byte(unsigned char c) { return c > 0x20 && c != '"' && c != '\\' && c != 0x7F; }

bool same_items(const tevra_kvfmt_layout &a, const tevra_kvfmt_layout &b) {
    if (a.count != b.count) return false;
    for (uint32_t i = 0; i < a.count; ++i) {
        const tevra_kvfmt_entry &x = a.entries[i];
        const tevra_kvfmt_entry &y = b.entries[i];
        if (x.key_len != y.key_len || x.verb != y.verb || std::memcmp(x.key, y.key, x.key_len) != 0) {
            return false;
        }
    }
    return true;
}

// What an accepted layout must look like whatever the input was.
void check_shape(const tevra_kvfmt_layout &l, const char *text, size_t len) {
    check(l.count <= TEVRA_KVFMT_MAX_ITEMS);
    check(l.template_len == len);
    check(std::strcmp(l.template_text, text) == 0);
    const char *end = l.template_text + l.template_len;
    const char *previous_end = l.template_text;
    for (uint32_t i = 0; i < l.count; ++i) {
        const tevra_kvfmt_entry &e = l.entries[i];
        check(e.verb <= TEVRA_KVFMT_ERRNO);
        check(e.key_len != 0 && e.key >= previous_end && e.key + e.key_len + 3 <= end);
        for (size_t k = 0; k < e.key_len; ++k) check(key_byte(static_cast<unsigned char>(e.key[k])));
        check(e.key[e.key_len] == '=' && e.key[e.key_len + 1] == '%');
        previous_end = e.key + e.key_len;
    }
}

// Writes the layout back as a template in the shortest spellings; it must
// parse to the same items.
void check_rewrite(const tevra_kvfmt_layout &l) {
    size_t need = 1;
    for (uint32_t i = 0; i < l.count; ++i) need += l.entries[i].key_len + 5;
    auto *text = static_cast<char *>(std::malloc(need));
    if (text == nullptr) return;
    char *p = text;
    for (uint32_t i = 0; i < l.count; ++i) {
        const tevra_kvfmt_entry &e = l.entries[i];
        if (i != 0) *p++ = ' ';
        std::memcpy(p, e.key, e.key_len);
        p += e.key_len;
        *p++ = '=';
        const size_t n = std::strlen(kSpelling[e.verb]);
        std::memcpy(p, kSpelling[e.verb], n);
        p += n;
    }
    *p = '\0';
    tevra_kvfmt_layout again{};
    check(tevra_parse_kvfmt_layout(&again, text, 0) == 0);
    check(same_items(l, again));
    std::free(text);
}

// One logger for the whole run, so the cache fills up over many inputs and
// its full probe windows are exercised too. Reachable until exit.
tevra_shared *fuzz_shared() {
    static tevra_logger *log = [] {
        tevra_config cfg;
        tevra_default_config(&cfg);
        cfg.output = tevra_output{};
        cfg.output.write = [](void *, const void *, size_t len, size_t *written) {
            *written = len;
            return 0;
        };
        cfg.color = TEVRA_COLOR_ALWAYS;
        return tevra_new(&cfg);
    }();
    return log != nullptr ? log->state->shared : nullptr;
}

void check_resolve(const char *text, const tevra_kvfmt_layout *parsed) {
    tevra_shared *shared = fuzz_shared();
    if (shared == nullptr) return;
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *out = nullptr;
    // Alone on this thread: the shared lock guards nothing here.
    const int rc = tevra_resolve_kvfmt_entry(shared, text, &scratch, &out);
    check((rc == 0) == (parsed != nullptr));
    if (parsed == nullptr) {
        check(out == nullptr);
        return;
    }
    check(out != nullptr && same_items(*parsed, *out));
    check(out->template_len == parsed->template_len && out->hash == parsed->hash);
    for (uint32_t i = 0; i < out->count; ++i) {
        const tevra_kvfmt_entry &e = out->entries[i];
        check(e.console_prefix_len < sizeof e.console_prefix && e.json_key_len < sizeof e.json_key);
        check(e.console_prefix[e.console_prefix_len] == '\0' && e.json_key[e.json_key_len] == '\0');
    }
    if (out == &scratch) tevra_free_internal(scratch.template_copy);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    auto *text = static_cast<char *>(std::malloc(size + 1));
    if (text == nullptr) return 0;
    std::memcpy(text, data, size);
    text[size] = '\0';
    const size_t len = std::strlen(text);  // a NUL in the input ends the template

    tevra_kvfmt_layout copied{};
    const int rc = tevra_parse_kvfmt_layout(&copied, text, 1);
    tevra_kvfmt_layout borrowed{};
    check(tevra_parse_kvfmt_layout(&borrowed, text, 0) == rc);
    if (rc == 0) {
        check(copied.template_copy != nullptr && copied.template_text == copied.template_copy);
        check_shape(copied, text, len);
        check_shape(borrowed, text, len);
        check(borrowed.template_text == text && borrowed.template_copy == nullptr);
        check(same_items(copied, borrowed) && copied.hash == borrowed.hash);
        check_rewrite(copied);
        // The owned copy parses to the same items as the text it came from.
        tevra_kvfmt_layout reparsed{};
        check(tevra_parse_kvfmt_layout(&reparsed, copied.template_copy, 0) == 0);
        check(same_items(copied, reparsed));
    } else {
        check(rc == -1 && copied.template_text == nullptr && copied.template_copy == nullptr);
        check(copied.count == 0 && borrowed.count == 0);
    }
    check_resolve(text, rc == 0 ? &copied : nullptr);
    tevra_free_internal(copied.template_copy);
    std::free(text);
    return 0;
}
