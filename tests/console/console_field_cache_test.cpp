#include <gtest/gtest.h>
#include <tevra.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "console/console_fixture.hpp"
#include "core/shared.hpp"
#include "support/default_palette.hpp"

namespace {

using console_test::ConsoleLogger;
using console_test::group;
using namespace tevra_test::default_palette;

// Where the cache looks first for a key.
size_t home_of(const char *key, size_t len, uint32_t kind) {
    return (len ^ (size_t{kind} << 3) ^ (reinterpret_cast<uintptr_t>(key) >> 4)) & 0xFF;
}

// Entries whose key pointer is `key`.
int entries_holding(const tevra_shared *s, const char *key) {
    int n = 0;
    for (const tev::ConsoleFieldCacheEntry &e : tevra_test::console_cache(s)) n += e.key == key;
    return n;
}

TEST(ConsoleFieldCache, RepeatedKeysAreServedFromTheCacheUnchanged) {
    ConsoleLogger l;
    const char *key = "user";
    const std::string first = l.info("m", {tevra_str(key, "alice"), tevra_i64(key, 7)});
    EXPECT_EQ(first, "INF m user=alice user=7");
    // Same pointer, another kind: its own entry.
    EXPECT_EQ(entries_holding(l.shared(), key), 2);
    EXPECT_EQ(l.info("m", {tevra_str(key, "alice"), tevra_i64(key, 7)}), first);
    EXPECT_EQ(entries_holding(l.shared(), key), 2);
}

TEST(ConsoleFieldCache, KeyOf126BytesIsWrittenUncached) {
    ConsoleLogger l;
    const std::string too_long(126, 'a');
    const std::string longest(125, 'b');
    const std::string expected = "INF " + too_long + "=1 " + longest + "=2 next=3";
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(l.info(nullptr, {tevra_i64(too_long.c_str(), 1), tevra_i64(longest.c_str(), 2),
                                   tevra_i64("next", 3)}),
                  expected);
    }
    EXPECT_EQ(entries_holding(l.shared(), too_long.c_str()), 0);
    EXPECT_EQ(entries_holding(l.shared(), longest.c_str()), 1);
}

TEST(ConsoleFieldCache, ColouredKeyLeadInOver127BytesIsWrittenUncached) {
    ConsoleLogger l(tevra_test::colored());
    // 2 + 5 (key colour) + 2 * 4 (reset) + 7 (string colour) = 22 bytes
    // besides the key: 105 bytes fit, 106 do not.
    const std::string fits(105, 'f');
    const std::string over(106, 'o');
    const std::string expected = kInfo + "INF" + kReset + group(fits, kString, "v") + " " + kReset +
                                 kKey + over + "=" + kReset + kString + "v" + kReset;
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(l.info(nullptr, {tevra_str(fits.c_str(), "v"), tevra_str(over.c_str(), "v")}),
                  expected);
    }
    EXPECT_EQ(entries_holding(l.shared(), fits.c_str()), 1);
    EXPECT_EQ(entries_holding(l.shared(), over.c_str()), 0);
}

TEST(ConsoleFieldCache, UntrustedKeysAreNeverCached) {
    ConsoleLogger l;
    const char *key = "caf\xc3\xa9";
    EXPECT_EQ(l.info(nullptr, {tevra_i64(key, 1)}), "INF caf\xc3\xa9=1");
    EXPECT_EQ(entries_holding(l.shared(), key), 0);
}

// A key's memory reused for another key of the same length must not bring
// back the old key's text.
TEST(ConsoleFieldCache, ReusedKeyMemoryShowsTheNewKey) {
    for (int colour = 0; colour < 2; ++colour) {
        ConsoleLogger l([&](tevra_config &cfg) {
            if (colour) cfg.color = TEVRA_COLOR_ALWAYS;
        });
        char key[] = "alpha";
        const std::string before = l.info(nullptr, {tevra_i64(key, 1)});
        std::memcpy(key, "bravo", 5);
        const std::string after = l.info(nullptr, {tevra_i64(key, 1)});
        if (colour) {
            EXPECT_EQ(before, kInfo + "INF" + kReset + group("alpha", kNumber, "1") + kReset);
            EXPECT_EQ(after, kInfo + "INF" + kReset + group("bravo", kNumber, "1") + kReset);
        } else {
            EXPECT_EQ(before, "INF alpha=1");
            EXPECT_EQ(after, "INF bravo=1");
        }
        EXPECT_EQ(entries_holding(l.shared(), key), 1);
    }
}

TEST(ConsoleFieldCache, SeventeenKeysOnOneHomeEntryKeepWorking) {
    ConsoleLogger l;
    // Keys 4096 bytes apart share address bits 4..11, so with one length
    // and kind they all start probing at the same entry.
    std::vector<char> arena(17 * 4096 + 16);
    const uintptr_t base = (reinterpret_cast<uintptr_t>(arena.data()) + 15) & ~uintptr_t{15};
    std::vector<const char *> keys;
    std::vector<tevra_field> fields;
    std::string expected = "INF";
    for (int i = 0; i < 17; ++i) {
        char *key = reinterpret_cast<char *>(base) + i * 4096;
        std::snprintf(key, 16, "key%02d", i);
        keys.push_back(key);
        fields.push_back(tevra_i64(key, i));
        expected += " " + std::string(key) + "=" + std::to_string(i);
    }
    const size_t home = home_of(keys[0], 5, TEVRA_FIELD_INT64);
    for (const char *key : keys) ASSERT_EQ(home_of(key, 5, TEVRA_FIELD_INT64), home);

    tevra_info(l.log, nullptr, fields.data(), fields.size());
    EXPECT_EQ(l.take(), expected);
    const tev::ConsoleFieldCacheEntry *cache = tevra_test::console_cache(l.shared());
    // The sixteenth key took the last probe; the seventeenth replaced home.
    EXPECT_EQ(cache[home].key, keys[16]);
    for (int i = 1; i < 16; ++i) EXPECT_EQ(cache[(home + i) & 0xFF].key, keys[i]) << i;

    // The replaced key refills its home entry, and everything still reads
    // back exactly, in any order.
    tevra_info(l.log, nullptr, fields.data(), 1);
    EXPECT_EQ(l.take(), "INF key00=0");
    EXPECT_EQ(cache[home].key, keys[0]);
    tevra_info(l.log, nullptr, fields.data(), fields.size());
    EXPECT_EQ(l.take(), expected);
    std::vector<tevra_field> reversed(fields.rbegin(), fields.rend());
    tevra_info(l.log, nullptr, reversed.data(), reversed.size());
    std::string expected_reversed = "INF";
    for (int i = 16; i >= 0; --i) {
        expected_reversed += " key" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "=" +
                             std::to_string(i);
    }
    EXPECT_EQ(l.take(), expected_reversed);
}

TEST(ConsoleFieldCache, FieldPrefixIsTheTextTheFieldsAddToALine) {
    ConsoleLogger l(tevra_test::colored());
    const tevra_field fields[] = {tevra_str("svc", "api"), tevra_i64("", 1),
                                  tevra_f64("ratio", 0.5), tevra_i64("bad key\x7f", 2)};
    tevra_buffer detached;
    tevra_buffer_init(&detached, nullptr, 4);
    tevra_append_console_field_prefix(l.shared(), &detached, fields, 4);
    const std::string prefix(detached.data, detached.len);
    tevra_buffer_destroy(&detached);
    EXPECT_EQ(prefix, group("svc", kString, "api") + group("ratio", kNumber, "0.5") + " " + kReset +
                          kKey + "bad key\\x7f=" + kReset + kNumber + "2");
    tevra_info(l.log, nullptr, fields, 4);
    EXPECT_EQ(l.take(), kInfo + "INF" + kReset + prefix + kReset);
}

TEST(ConsoleFieldCache, ExportedAppendsTolerateMissingArguments) {
    ConsoleLogger l;
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    const tevra_field f = tevra_i64("k", 1);
    tevra_field keyless = tevra_i64(nullptr, 1);
    tevra_append_console_field_cached(nullptr, &b, &f);
    tevra_append_console_field_cached(l.shared(), nullptr, &f);
    tevra_append_console_field_cached(l.shared(), &b, nullptr);
    tevra_append_console_field_cached(l.shared(), &b, &keyless);
    tevra_append_console_field_prefix(nullptr, &b, &f, 1);
    tevra_append_console_field_prefix(l.shared(), &b, nullptr, 1);
    tevra_append_console_field_prefix(l.shared(), &b, &f, 0);
    EXPECT_EQ(b.len, 0u);
    tevra_append_console_field_cached(l.shared(), &b, &f);
    EXPECT_EQ(std::string(b.data, b.len), " k=1");
    tevra_buffer_destroy(&b);
}

}  // namespace
