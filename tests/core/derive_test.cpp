#include <gtest/gtest.h>
#include <tevra.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/shared.hpp"
#include "support/alloc_hook.hpp"
#include "support/capture_sink.hpp"
#include "support/logger.hpp"

namespace {

using tevra_test::CaptureSink;
using tevra_test::color_policy;
using tevra_test::new_logger;
using tevra_test::owning_output;

std::string last_line(const CaptureSink &sink) {
    auto lines = sink.lines();
    return lines.empty() ? std::string() : lines.back();
}

// One field of every kind, with keys and strings that need escaping or
// quoting, and the two keys that are never rendered.
std::vector<tevra_field> every_kind() {
    static const unsigned char bytes[] = {0x00, 0x7f, 0xff};
    return {
        tevra_null("nothing"),
        tevra_str("plain", "api"),
        tevra_str("quoted", "two words \"and\" a \\ backslash"),
        tevra_trusted_str("caf\xc3\xa9", "cr\xc3\xa8me"),
        tevra_str("ke\"y", "tab\there"),
        tevra_i64("signed", -42),
        tevra_u64("unsigned", 18446744073709551615ull),
        tevra_f64("float", 2.5),
        tevra_bool("flag", 1),
        tevra_ptr("where", reinterpret_cast<const void *>(0x1234)),
        tevra_bytes_field("raw", bytes, sizeof bytes),
        tevra_time_field("when", tevra_time{1740824130, 5000, 60}),
        tevra_duration_field("took", tevra_duration{1, 500000000}),
        tevra_errno("err", ENOENT),
        tevra_str(nullptr, "never shown"),
        tevra_i64("", 7),
    };
}

TEST(Derive, BoundFieldsComeFirstInParentOrderAndDuplicatesStay) {
    CaptureSink sink;
    tevra_logger *root = new_logger(sink);
    const tevra_field svc[] = {tevra_str("service", "api"), tevra_i64("port", 8080)};
    tevra_logger *child = tevra_with(root, svc, 2);
    ASSERT_NE(child, nullptr);
    const tevra_field again[] = {tevra_str("service", "db")};
    tevra_logger *grandchild = child->with(child, again, 1);
    ASSERT_NE(grandchild, nullptr);
    const tevra_field call[] = {tevra_bool("tls", 0)};

    tevra_info(grandchild, "listening", call, 1);
    EXPECT_EQ(last_line(sink),
              R"({"lvl":"info","msg":"listening","service":"api","port":8080,"service":"db","tls":false})");
    tevra_info(root, "plain", nullptr, 0);
    EXPECT_EQ(last_line(sink), R"({"lvl":"info","msg":"plain"})");
    EXPECT_EQ(grandchild->state->field_count, 3u);
    EXPECT_EQ(tevra_test::refcount(root), 3u);

    grandchild->destroy(grandchild);
    child->destroy(child);
    EXPECT_EQ(tevra_test::refcount(root), 1u);
    root->destroy(root);
}

// A derived logger's line must be byte for byte the line its root writes
// when given the bound fields and the call's fields together.
TEST(Derive, LinesEqualTheSameFieldsPassedPerCallInEveryModeAndColour) {
    for (int mode : {TEVRA_MODE_JSON, TEVRA_MODE_CONSOLE}) {
        for (int color : {TEVRA_COLOR_NEVER, TEVRA_COLOR_ALWAYS}) {
            SCOPED_TRACE("mode " + std::to_string(mode) + " colour " + std::to_string(color));
            CaptureSink sink;
            tevra_logger *root = new_logger(sink, mode, color_policy(color));
            std::vector<tevra_field> bound = every_kind();
            const tevra_field call[] = {tevra_str("request", "r-1"), tevra_u64("bytes", 512)};

            tevra_logger *child = tevra_with(root, bound.data(), bound.size());
            ASSERT_NE(child, nullptr);
            ASSERT_NE(child->state->prefix, nullptr);
            EXPECT_EQ(std::strlen(child->state->prefix), child->state->prefix_len);
            EXPECT_EQ(std::string(child->state->prefix).find('\x1b') != std::string::npos,
                      color == TEVRA_COLOR_ALWAYS);

            tevra_warn(child, "slow request", call, 2);
            std::vector<tevra_field> together = bound;
            together.insert(together.end(), std::begin(call), std::end(call));
            tevra_warn(root, "slow request", together.data(), together.size());

            auto lines = sink.lines();
            ASSERT_EQ(lines.size(), 2u);
            EXPECT_EQ(lines[0], lines[1]);
            EXPECT_EQ(lines[0].find("never shown"), std::string::npos);
            child->destroy(child);
            root->destroy(root);
        }
    }
}

TEST(Derive, CopiesOutliveTheCallersRecordsKeysAndStrings) {
    CaptureSink sink;
    tevra_logger *root = new_logger(sink);
    char *key = strdup("user");
    char *value = strdup("alice");
    auto *data = static_cast<unsigned char *>(std::malloc(2));
    data[0] = 0xab;
    data[1] = 0xcd;
    auto *fields = new tevra_field[2]{tevra_str(key, value), tevra_bytes_field("sig", data, 2)};

    tevra_logger *child = tevra_with(root, fields, 2);
    ASSERT_NE(child, nullptr);
    std::memset(key, 'x', 4);
    std::memset(value, 'y', 5);
    std::memset(data, 0, 2);
    std::memset(static_cast<void *>(fields), 0, 2 * sizeof(tevra_field));
    std::free(key);
    std::free(value);
    std::free(data);
    delete[] fields;

    tevra_info(child, "hello", nullptr, 0);
    EXPECT_EQ(last_line(sink), R"({"lvl":"info","msg":"hello","user":"alice","sig":"abcd"})");
    // Grandchildren copy the copies, so they too survive their parent.
    tevra_logger *grandchild = tevra_with(child, nullptr, 0);
    child->destroy(child);
    tevra_info(grandchild, "again", nullptr, 0);
    EXPECT_EQ(last_line(sink), R"({"lvl":"info","msg":"again","user":"alice","sig":"abcd"})");
    grandchild->destroy(grandchild);
    root->destroy(root);
}

TEST(Derive, EmptyDerivationKeepsExactlyTheParentsFieldsAndLevel) {
    CaptureSink sink;
    tevra_logger *root = new_logger(sink);
    const tevra_field f[] = {tevra_str("zone", "eu")};
    tevra_logger *warn = tevra_with_level(root, TEVRA_LEVEL_WARN);
    tevra_logger *parent = tevra_with(warn, f, 1);
    tevra_logger *child = tevra_with(parent, nullptr, 0);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->state->level, TEVRA_LEVEL_WARN);
    EXPECT_EQ(child->state->field_count, 1u);
    EXPECT_EQ(child->state->closes_output, 0);
    ASSERT_EQ(child->state->prefix_len, parent->state->prefix_len);
    EXPECT_EQ(std::memcmp(child->state->prefix, parent->state->prefix, parent->state->prefix_len), 0);

    tevra_info(child, "dropped", nullptr, 0);
    tevra_error(child, "kept", nullptr, 0);
    EXPECT_EQ(sink.text(), "{\"lvl\":\"error\",\"msg\":\"kept\",\"zone\":\"eu\"}\n");

    // No bound fields at all: no array and no prefix.
    tevra_logger *bare = tevra_with(root, nullptr, 0);
    EXPECT_EQ(bare->state->fields, nullptr);
    EXPECT_EQ(bare->state->prefix, nullptr);
    EXPECT_EQ(bare->state->prefix_len, 0u);
    for (tevra_logger *l : {bare, child, parent, warn, root}) l->destroy(l);
}

TEST(Derive, ByteRunsWithoutLengthOrDataBindAsEmptyRuns) {
    CaptureSink sink;
    tevra_logger *root = new_logger(sink);
    static const char caller[] = "caller-owned";
    const tevra_field f[] = {tevra_bytes_field("empty", caller, 0),
                             tevra_bytes_field("missing", nullptr, 16)};
    const long live = tevra_test::LiveAllocations();
    tevra_logger *child = tevra_with(root, f, 2);
    ASSERT_NE(child, nullptr);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(child->state->fields[i].value.bytes.data, nullptr) << i;
        EXPECT_EQ(child->state->fields[i].value.bytes.len, 0u) << i;
    }
    tevra_info(child, "m", nullptr, 0);
    EXPECT_EQ(last_line(sink), R"({"lvl":"info","msg":"m","empty":"","missing":""})");
    child->destroy(child);
    EXPECT_EQ(tevra_test::LiveAllocations(), live);
    root->destroy(root);
}

TEST(Derive, KeysWithoutTextAreCopiedOwnedButNeverRendered) {
    CaptureSink sink;
    tevra_logger *root = new_logger(sink, TEVRA_MODE_CONSOLE);
    const tevra_field f[] = {tevra_i64(nullptr, 1), tevra_i64("", 2)};
    tevra_logger *child = tevra_with(root, f, 2);
    ASSERT_NE(child, nullptr);
    for (size_t i = 0; i < 2; ++i) {
        ASSERT_NE(child->state->fields[i].key, nullptr);
        EXPECT_STREQ(child->state->fields[i].key, "");
    }
    EXPECT_EQ(child->state->prefix, nullptr);
    tevra_info(child, "alone", nullptr, 0);
    EXPECT_EQ(last_line(sink), "INF alone");
    child->destroy(child);
    root->destroy(root);
}

TEST(Derive, LevelAndLevelFieldDerivationsChangeOnlyTheChild) {
    CaptureSink sink;
    tevra_logger *root = new_logger(sink);
    tevra_logger *silent = tevra_with_level(root, TEVRA_LEVEL_DISABLED);
    tevra_logger *warn = root->with_level(root, TEVRA_LEVEL_WARN);
    tevra_logger *tagged = tevra_with_level_field(warn);
    ASSERT_NE(silent, nullptr);
    ASSERT_NE(tagged, nullptr);

    tevra_error(silent, "silenced", nullptr, 0);
    tevra_fields(silent, TEVRA_LEVEL_NOLEVEL, "silenced too", nullptr, 0);
    EXPECT_EQ(sink.text(), "");
    tevra_info(tagged, "below warn", nullptr, 0);
    tevra_error(tagged, "tagged", nullptr, 0);
    tevra_debug(root, "root", nullptr, 0);
    auto lines = sink.lines();
    ASSERT_EQ(lines.size(), 2u);
    // The field names the logger's threshold, not the line's level.
    EXPECT_EQ(lines[0], R"({"lvl":"error","msg":"tagged","loglevel":"warn"})");
    EXPECT_EQ(lines[1], R"({"lvl":"debug","msg":"root"})");
    EXPECT_EQ(warn->state->level_field, 0);

    // Both settings are inherited by further derivations.
    const tevra_field f[] = {tevra_i64("n", 1)};
    tevra_logger *inherited = tevra_with(tagged, f, 1);
    tevra_warn(inherited, "inherited", nullptr, 0);
    EXPECT_EQ(last_line(sink), R"({"lvl":"warn","msg":"inherited","n":1,"loglevel":"warn"})");
    for (tevra_logger *l : {inherited, silent, tagged, warn, root}) l->destroy(l);
}

TEST(Derive, LevelFieldInConsoleLinesComesAfterEveryOtherField) {
    CaptureSink sink;
    tevra_logger *root = new_logger(sink, TEVRA_MODE_CONSOLE);
    const tevra_field f[] = {tevra_str("svc", "api")};
    tevra_logger *warn = tevra_with_level(root, TEVRA_LEVEL_WARN);
    tevra_logger *child = tevra_with(warn, f, 1);
    tevra_logger *tagged = tevra_with_level_field(child);
    const tevra_field call[] = {tevra_i64("n", 2)};
    tevra_warn(tagged, "slow", call, 1);
    EXPECT_EQ(last_line(sink), "WRN slow svc=api n=2 loglevel=warn");
    for (tevra_logger *l : {tagged, child, warn, root}) l->destroy(l);
}

TEST(Derive, ClosingADerivedLoggerNeverClosesTheSink) {
    CaptureSink sink;
    sink.close_result = 9;
    tevra_logger *root = new_logger(sink, TEVRA_MODE_JSON, owning_output());
    tevra_logger *child = tevra_with_level_field(root);
    EXPECT_EQ(child->close(child), 0);
    EXPECT_EQ(tevra_close(child), 0);
    EXPECT_EQ(sink.close_calls(), 0);
    tevra_info(child, "still open", nullptr, 0);
    EXPECT_EQ(sink.lines().size(), 1u);
    // Once the root has closed it, a child reports the stored result.
    EXPECT_EQ(tevra_close(root), 9);
    EXPECT_EQ(tevra_close(child), 9);
    EXPECT_EQ(sink.close_calls(), 1);
    child->destroy(child);
    root->destroy(root);
    EXPECT_EQ(sink.close_calls(), 1);
}

TEST(Derive, ParentDestroyedFirstLeavesTheChildFullyUsable) {
    CaptureSink sink;
    tevra_logger *root = new_logger(sink, TEVRA_MODE_CONSOLE, owning_output());
    const tevra_field f[] = {tevra_str("job", "backup")};
    tevra_logger *child = tevra_with(root, f, 1);
    root->destroy(root);
    tevra_logger *grandchild = tevra_with_level(child, TEVRA_LEVEL_INFO);
    child->destroy(child);
    EXPECT_EQ(sink.close_calls(), 0);
    tevra_info(grandchild, "done", nullptr, 0);
    tevra_debug(grandchild, "filtered", nullptr, 0);
    EXPECT_EQ(sink.text(), "INF done job=backup\n");
    grandchild->destroy(grandchild);
    EXPECT_EQ(sink.close_calls(), 1);
}

TEST(Derive, TemplateBindsItsItemsAsFields) {
    for (int mode : {TEVRA_MODE_JSON, TEVRA_MODE_CONSOLE}) {
        CaptureSink sink;
        tevra_logger *root = new_logger(sink, mode);
        const char *user = "bob";
        errno = EACCES;
        tevra_logger *child = tevra_withf(root, "user=%s n=%d ok=%b big=%lu err=%m", user, -3, 7,
                                          5000000000ul);
        ASSERT_NE(child, nullptr);
        const tevra_field same[] = {tevra_str("user", "bob"), tevra_i64("n", -3), tevra_bool("ok", 1),
                                    tevra_u64("big", 5000000000ul), tevra_errno("err", EACCES)};
        tevra_info(child, "m", nullptr, 0);
        tevra_info(root, "m", same, 5);
        auto lines = sink.lines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], lines[1]) << mode;

        // Keys from a template end only by their length; the copies are
        // whole strings of their own.
        ASSERT_EQ(child->state->field_count, 5u);
        EXPECT_STREQ(child->state->fields[0].key, "user");
        EXPECT_STREQ(child->state->fields[4].key, "err");

        // The slot does the same, and a repeated template comes from the cache.
        tevra_logger *again = root->withf(root, "user=%s n=%d ok=%b big=%lu err=%m", "bob", -3, 7,
                                          5000000000ul);
        EXPECT_EQ(again->state->prefix_len, child->state->prefix_len);
        EXPECT_EQ(std::memcmp(again->state->prefix, child->state->prefix, child->state->prefix_len), 0);
        again->destroy(again);
        child->destroy(child);
        root->destroy(root);
    }
}

TEST(Derive, InvalidTemplateGivesNullAndWritesNothing) {
    CaptureSink sink;
    tevra_logger *root = new_logger(sink);
    const long live = tevra_test::LiveAllocations();
    EXPECT_EQ(tevra_withf(root, "a=%q", 1), nullptr);
    EXPECT_EQ(tevra_withf(root, "novalue"), nullptr);
    // The slot is the same function under its own exported name.
    EXPECT_EQ(root->withf(root, "a=%q", 1), nullptr);
    EXPECT_EQ(tevra_logger_withf(root, "novalue"), nullptr);
    EXPECT_EQ(sink.text(), "");
    EXPECT_EQ(tevra_test::refcount(root), 1u);
    EXPECT_EQ(tevra_test::LiveAllocations(), live);

    // No template at all derives with no extra fields.
    tevra_logger *plain = tevra_withf(root, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->state->field_count, 0u);
    plain->destroy(plain);
    tevra_logger *slot_plain = tevra_logger_withf(root, nullptr);
    ASSERT_NE(slot_plain, nullptr);
    EXPECT_EQ(slot_plain->state->field_count, 0u);
    slot_plain->destroy(slot_plain);
    root->destroy(root);
}

TEST(Derive, MissingHandlesAndArraysGiveNull) {
    const tevra_field f[] = {tevra_i64("n", 1)};
    EXPECT_EQ(tevra_with(nullptr, f, 1), nullptr);
    EXPECT_EQ(tevra_withf(nullptr, "n=%d", 1), nullptr);
    EXPECT_EQ(tevra_with_level(nullptr, 1), nullptr);
    EXPECT_EQ(tevra_with_level_field(nullptr), nullptr);
    EXPECT_EQ(tevra_clone_with_fields(nullptr, f, 1), nullptr);
    EXPECT_EQ(tevra_logger_withf(nullptr, "n=%d", 1), nullptr);
    tevra_logger empty{};
    EXPECT_EQ(tevra_clone_with_fields(&empty, f, 1), nullptr);
    EXPECT_EQ(tevra_build_field_prefix(nullptr), -1);
    tevra_logger_state detached{};
    EXPECT_EQ(tevra_build_field_prefix(&detached), -1);

    CaptureSink sink;
    tevra_logger *root = new_logger(sink);
    // A count without an array would be read from address 0.
    EXPECT_EQ(tevra_with(root, nullptr, 3), nullptr);
    EXPECT_EQ(tevra_with(root, f, static_cast<size_t>(-1)), nullptr);
    EXPECT_EQ(tevra_test::refcount(root), 1u);
    root->destroy(root);
}

TEST(Derive, OwnedCopiesOfStringsAndByteRuns) {
    char *empty = tevra_strdup_local(nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    free(empty);  // the application may release copies with free()
    const unsigned char run[] = {1, 0, 2};
    EXPECT_EQ(tevra_memdup_local(run, 0), nullptr);
    EXPECT_EQ(tevra_memdup_local(nullptr, 3), nullptr);
    void *dup = tevra_memdup_local(run, 3);
    ASSERT_NE(dup, nullptr);
    EXPECT_EQ(std::memcmp(dup, run, 3), 0);
    tevra_free_internal(dup);
    tevra_field out;
    EXPECT_EQ(tevra_copy_field(nullptr, &out), -1);
    EXPECT_EQ(tevra_copy_field(&out, nullptr), -1);
}

// The first guess at the prefix size counts a key that needs escaping as
// empty and an error text as short; the rendering must still be whole.
TEST(Derive, PrefixLargerThanItsEstimateIsRenderedWhole) {
    for (int mode : {TEVRA_MODE_JSON, TEVRA_MODE_CONSOLE}) {
        CaptureSink sink;
        tevra_logger *root = new_logger(sink, mode);
        std::string key(3000, '\x01');
        std::string value(2000, '"');
        const tevra_field f[] = {tevra_str(key.c_str(), value.c_str()),
                                 tevra_errno("e", ENOTRECOVERABLE)};
        tevra_logger *child = tevra_with(root, f, 2);
        ASSERT_NE(child, nullptr);
        tevra_info(child, "m", nullptr, 0);
        tevra_info(root, "m", f, 2);
        auto lines = sink.lines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], lines[1]);
        EXPECT_GT(child->state->prefix_len, key.size() + value.size());
        child->destroy(child);
        root->destroy(root);
    }
}

}  // namespace
