#include <gtest/gtest.h>
#include <tevra.h>

#include <cstring>
#include <string>
#include <vector>

#include "kvfmt_support.hpp"
#include "support/alloc_hook.hpp"
#include "support/logger.hpp"

namespace {

using kvfmt_test::filled_slots;
using kvfmt_test::key_of;
using tevra_test::Logger;
using kvfmt_test::resolve;

std::string console_prefix(const tevra_kvfmt_entry &e) {
    return std::string(e.console_prefix, e.console_prefix_len);
}
std::string json_key(const tevra_kvfmt_entry &e) { return std::string(e.json_key, e.json_key_len); }

// Short markers instead of escape sequences, so expected texts stay legible.
tevra_palette marker_palette() {
    tevra_palette p{};
    p.key_color = "<k>";
    p.string_color = "<s>";
    p.number_color = "<n>";
    p.bool_color = "<b>";
    p.null_color = "<0>";
    p.error_color = "<e>";
    p.reset = "<r>";
    return p;
}

TEST(KvfmtCache, SameTextAtTwoAddressesSharesOneOwnedLayout) {
    Logger l;
    char first[] = "user=%s n=%d";
    char second[] = "user=%s n=%d";
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *a = nullptr;
    tevra_kvfmt_layout *b = nullptr;
    ASSERT_EQ(resolve(l.shared(), first, &scratch, &a), 0);
    ASSERT_EQ(resolve(l.shared(), second, &scratch, &b), 0);
    ASSERT_TRUE(tevra_test::in_kvfmt_cache(l.shared(), a));
    EXPECT_EQ(a, b);
    EXPECT_EQ(filled_slots(l.shared()), 1u);
    // The cached layout reads its own copy, not either caller's buffer.
    EXPECT_EQ(a->template_text, a->template_copy);
    EXPECT_NE(a->template_text, first);
    std::memset(first, 'x', sizeof first - 1);
    EXPECT_EQ(key_of(a->entries[0]), "user");
}

TEST(KvfmtCache, ReusedAddressWithNewTextResolvesTheNewTemplate) {
    Logger l;
    char buf[32] = "a=%d";
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *old_layout = nullptr;
    ASSERT_EQ(resolve(l.shared(), buf, &scratch, &old_layout), 0);
    std::strcpy(buf, "b=%s");
    tevra_kvfmt_layout *new_layout = nullptr;
    ASSERT_EQ(resolve(l.shared(), buf, &scratch, &new_layout), 0);
    ASSERT_NE(new_layout, old_layout);
    EXPECT_EQ(key_of(new_layout->entries[0]), "b");
    EXPECT_EQ(new_layout->entries[0].verb, static_cast<uint32_t>(TEVRA_KVFMT_STRING));
    // A filled slot never changes: the first layout is intact.
    EXPECT_EQ(key_of(old_layout->entries[0]), "a");
    EXPECT_EQ(old_layout->entries[0].verb, static_cast<uint32_t>(TEVRA_KVFMT_INT));
    // Same length, one byte different: still told apart.
    std::strcpy(buf, "a=%s");
    tevra_kvfmt_layout *third = nullptr;
    ASSERT_EQ(resolve(l.shared(), buf, &scratch, &third), 0);
    EXPECT_NE(third, old_layout);
    EXPECT_EQ(third->entries[0].verb, static_cast<uint32_t>(TEVRA_KVFMT_STRING));
}

TEST(KvfmtCache, RepeatedTemplateNeedsNoAllocation) {
    Logger l;
    static const char text[] = "a=%d b=%s c=%f";
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *first = nullptr;
    ASSERT_EQ(resolve(l.shared(), text, &scratch, &first), 0);
    const long before = tevra_test::AllocationCount();
    for (int i = 0; i < 100; ++i) {
        tevra_kvfmt_layout *again = nullptr;
        ASSERT_EQ(resolve(l.shared(), text, &scratch, &again), 0);
        ASSERT_EQ(again, first);
    }
    EXPECT_EQ(tevra_test::AllocationCount(), before);
}

TEST(KvfmtCache, FullProbeWindowFallsBackToAScratchLayout) {
    Logger l;
    const std::vector<std::string> texts = kvfmt_test::colliding_templates(9);
    tevra_kvfmt_layout scratch;
    for (size_t i = 0; i < 8; ++i) {
        tevra_kvfmt_layout *out = nullptr;
        ASSERT_EQ(resolve(l.shared(), texts[i].c_str(), &scratch, &out), 0);
        ASSERT_TRUE(tevra_test::in_kvfmt_cache(l.shared(), out)) << texts[i];
    }
    EXPECT_EQ(filled_slots(l.shared()), 8u);
    for (int round = 0; round < 2; ++round) {
        tevra_kvfmt_layout *out = nullptr;
        ASSERT_EQ(resolve(l.shared(), texts[8].c_str(), &scratch, &out), 0);
        ASSERT_EQ(out, &scratch);
        EXPECT_EQ(scratch.template_copy, nullptr);
        EXPECT_EQ(scratch.template_text, texts[8].c_str());
        EXPECT_EQ(key_of(scratch.entries[0]), texts[8].substr(0, texts[8].size() - 3));
        // Uncached, but still pre-rendered for the encoders.
        EXPECT_EQ(json_key(scratch.entries[0]), "\"" + key_of(scratch.entries[0]) + "\":");
    }
    EXPECT_EQ(filled_slots(l.shared()), 8u);

    // Through the log entry point the uncached template still renders.
    tevra_infof(l.log, "m", texts[8].c_str(), 5);
    const std::string key = texts[8].substr(0, texts[8].size() - 3);
    EXPECT_EQ(l.sink.text(), "{\"lvl\":\"info\",\"msg\":\"m\",\"" + key + "\":5}\n");
}

TEST(KvfmtCache, PreRenderedTextsWithoutColour) {
    Logger l(TEVRA_MODE_CONSOLE);
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *out = nullptr;
    ASSERT_EQ(resolve(l.shared(), "user=%s err=%m", &scratch, &out), 0);
    EXPECT_EQ(console_prefix(out->entries[0]), " user=");
    EXPECT_EQ(json_key(out->entries[0]), "\"user\":");
    EXPECT_EQ(console_prefix(out->entries[1]), " err=");
    EXPECT_EQ(out->entries[1].console_prefix[out->entries[1].console_prefix_len], '\0');
}

TEST(KvfmtCache, PreRenderedTextsCarryTheKeyAndValueColours) {
    const tevra_palette palette = marker_palette();
    Logger l(TEVRA_MODE_CONSOLE, tevra_test::colored(&palette));
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *out = nullptr;
    ASSERT_EQ(resolve(l.shared(), "s=%s d=%d lu=%lu f=%f p=%p b=%b m=%m", &scratch, &out), 0);
    const char *expected[] = {
        "<r> <k>s=<r><s>", "<r> <k>d=<r><n>",  "<r> <k>lu=<r><n>", "<r> <k>f=<r><n>",
        "<r> <k>p=<r><n>", "<r> <k>b=<r><b>", "<r> <k>m=<r>",
    };
    ASSERT_EQ(out->count, 7u);
    for (uint32_t i = 0; i < out->count; ++i) EXPECT_EQ(console_prefix(out->entries[i]), expected[i]);
    EXPECT_EQ(json_key(out->entries[0]), "<k>\"s\":");
}

TEST(KvfmtCache, EmptyPaletteStringsAreSkipped) {
    tevra_palette palette = marker_palette();
    palette.key_color = "";
    palette.number_color = nullptr;
    Logger l(TEVRA_MODE_CONSOLE, tevra_test::colored(&palette));
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *out = nullptr;
    ASSERT_EQ(resolve(l.shared(), "n=%d", &scratch, &out), 0);
    EXPECT_EQ(console_prefix(out->entries[0]), "<r> n=<r>");
    EXPECT_EQ(json_key(out->entries[0]), "\"n\":");
}

TEST(KvfmtCache, TextsLongerThan127BytesAreNotStored) {
    Logger l;
    // " key=" is 127 bytes with a key of 125, "\"key\":" 128.
    const std::string edge(125, 'e');
    const std::string long_key(200, 'k');
    const std::string text = edge + "=%d " + long_key + "=%s";
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *out = nullptr;
    ASSERT_EQ(resolve(l.shared(), text.c_str(), &scratch, &out), 0);
    ASSERT_EQ(out->count, 2u);
    EXPECT_EQ(console_prefix(out->entries[0]), " " + edge + "=");
    EXPECT_EQ(out->entries[0].json_key_len, 0u);
    EXPECT_EQ(out->entries[1].console_prefix_len, 0u);
    EXPECT_EQ(out->entries[1].json_key_len, 0u);
    EXPECT_EQ(key_of(out->entries[1]), long_key);

    // The encoder builds the same bytes itself.
    tevra_infof(l.log, "m", text.c_str(), 1, "v");
    EXPECT_EQ(l.sink.text(),
              "{\"lvl\":\"info\",\"msg\":\"m\",\"" + edge + "\":1,\"" + long_key + "\":\"v\"}\n");
}

TEST(KvfmtCache, FailedGrowthWhilePreRenderingStoresNoCutText) {
    Logger l;
    // " key=" fits in 127 bytes; "\"key\":" needs 128, one more than a
    // stored text may hold.
    const std::string key(125, 'k');
    const std::string text = key + "=%d";
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *out = nullptr;
    // Allocation 1 copies the template, 2 grows the JSON key text.
    tevra_test::FailAllocation(2);
    ASSERT_EQ(resolve(l.shared(), text.c_str(), &scratch, &out), 0);
    tevra_test::FailAllocation(0);
    EXPECT_EQ(console_prefix(out->entries[0]), " " + key + "=");
    EXPECT_EQ(out->entries[0].json_key_len, 0u) << json_key(out->entries[0]);

    // "\"key\":" of 129 bytes really needs the buffer to grow (allocation
    // 2); that fails, and the 128 bytes kept are not stored either.
    Logger other;
    const std::string longer = std::string(126, 'k') + "=%d";
    const long before = tevra_test::AllocationCount();
    tevra_test::FailAllocation(2);
    ASSERT_EQ(resolve(other.shared(), longer.c_str(), &scratch, &out), 0);
    tevra_test::FailAllocation(0);
    EXPECT_EQ(tevra_test::AllocationCount() - before, 2);
    EXPECT_EQ(out->entries[0].json_key_len, 0u) << json_key(out->entries[0]);
}

TEST(KvfmtCache, FailedCopyLeavesTheSlotEmptyAndALaterCallCachesIt) {
    Logger l;
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *out = nullptr;
    tevra_test::FailAllocation(1);
    // A good template without memory for its copy is served uncached from
    // the caller's scratch, pre-rendered like a cached one.
    EXPECT_EQ(resolve(l.shared(), "a=%d", &scratch, &out), 0);
    tevra_test::FailAllocation(0);
    ASSERT_EQ(out, &scratch);
    EXPECT_EQ(scratch.template_copy, nullptr);
    EXPECT_EQ(key_of(scratch.entries[0]), "a");
    EXPECT_EQ(json_key(scratch.entries[0]), "\"a\":");
    EXPECT_EQ(filled_slots(l.shared()), 0u);
    ASSERT_EQ(resolve(l.shared(), "a=%d", &scratch, &out), 0);
    EXPECT_TRUE(tevra_test::in_kvfmt_cache(l.shared(), out));
}

TEST(KvfmtCache, KeysThatAreNotUtf8AreEscapedInTheJsonKeyText) {
    Logger l;
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *out = nullptr;
    // 30 stray bytes: a short key, but 180 bytes of JSON, too long to store.
    const std::string text = "caf\xe9=%d caf\xc3\xa9[0]=%s \xe2\x82=%d " + std::string(30, '\xff') + "=%d";
    ASSERT_EQ(resolve(l.shared(), text.c_str(), &scratch, &out), 0);
    ASSERT_EQ(out->count, 4u);
    // Each stray byte reads back as its own code point; well-formed UTF-8
    // (and the '[' of a key that passes) stay as they are.
    EXPECT_EQ(json_key(out->entries[0]), "\"caf\\u00e9\":");
    EXPECT_EQ(json_key(out->entries[1]), "\"caf\xc3\xa9[0]\":");
    EXPECT_EQ(json_key(out->entries[2]), "\"\\u00e2\\u0082\":");
    EXPECT_EQ(out->entries[3].json_key_len, 0u);
    // Console prefixes keep the bytes.
    EXPECT_EQ(console_prefix(out->entries[0]), " caf\xe9=");

    const tevra_palette palette = marker_palette();
    Logger colored(TEVRA_MODE_JSON, tevra_test::colored(&palette));
    ASSERT_EQ(resolve(colored.shared(), "caf\xe9=%d", &scratch, &out), 0);
    EXPECT_EQ(json_key(out->entries[0]), "<k>\"caf\\u00e9\":");
}

TEST(KvfmtCache, InvalidAndNullTemplatesLeaveNothingBehind) {
    Logger l;
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *out = &scratch;
    EXPECT_EQ(resolve(l.shared(), "a=%d b=%x", &scratch, &out), -1);
    EXPECT_EQ(out, nullptr);
    out = &scratch;
    EXPECT_EQ(resolve(l.shared(), nullptr, &scratch, &out), 0);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(filled_slots(l.shared()), 0u);
    EXPECT_EQ(tevra_resolve_kvfmt_entry(l.shared(), "a=%d", nullptr, &out), -1);
    EXPECT_EQ(out, nullptr);
}

TEST(KvfmtCache, WithoutASharedRecordTheScratchIsParsedInPlace) {
    const char *text = "a=%d";
    tevra_kvfmt_layout scratch;
    // Caller storage in any state: whatever it held is never freed.
    std::memset(&scratch, 0xAB, sizeof scratch);
    tevra_kvfmt_layout *out = nullptr;
    ASSERT_EQ(resolve(nullptr, text, &scratch, &out), 0);
    ASSERT_EQ(out, &scratch);
    EXPECT_EQ(scratch.template_text, text);
    EXPECT_EQ(scratch.template_copy, nullptr);
    EXPECT_EQ(scratch.entries[0].console_prefix_len, 0u);
    EXPECT_EQ(scratch.entries[0].json_key_len, 0u);
}

TEST(KvfmtCache, ScratchNeverHoldsACopyWhateverTheAnswer) {
    Logger l;
    const std::vector<std::string> texts = kvfmt_test::colliding_templates(9);
    for (const std::string &t : texts) {
        tevra_kvfmt_layout scratch;
        std::memset(&scratch, 0xAB, sizeof scratch);
        tevra_kvfmt_layout *out = nullptr;
        ASSERT_EQ(resolve(l.shared(), t.c_str(), &scratch, &out), 0);
        // What every caller does afterwards must be safe on every path.
        EXPECT_EQ(scratch.template_copy, nullptr);
    }
    tevra_kvfmt_layout scratch;
    std::memset(&scratch, 0xAB, sizeof scratch);
    tevra_kvfmt_layout *out = nullptr;
    EXPECT_EQ(resolve(l.shared(), "bad=%d x", &scratch, &out), -1);
    EXPECT_EQ(scratch.template_copy, nullptr);
}

TEST(KvfmtCache, IndexHoldsTheLastResolvedAddress) {
    Logger l;
    ASSERT_NE(tevra_test::kvfmt_index(l.shared()), nullptr);
    static const char text[] = "x=%u";
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *out = nullptr;
    ASSERT_EQ(resolve(l.shared(), text, &scratch, &out), 0);
    const auto a = reinterpret_cast<uintptr_t>(text);
    const uintptr_t x = a ^ (a >> 4);
    const tev::KvfmtIndexSlot &slot = tevra_test::kvfmt_index(l.shared())[(x ^ (x >> 9)) & 0xFF];
    EXPECT_EQ(slot.address, text);
    EXPECT_EQ(slot.layout, out);
}

}  // namespace
