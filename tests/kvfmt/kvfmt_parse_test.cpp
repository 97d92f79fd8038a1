// The template grammar: what parses, into which items, and what is refused.
#include <gtest/gtest.h>
#include <tevra.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Items = std::vector<std::string>;

// A layout on the heap (it is some ten kilobytes) that frees its template
// copy when it goes away.
class Layout {
  public:
    Layout() : layout_(new tevra_kvfmt_layout{}) {}
    ~Layout() {
        tevra_free_internal(layout_->template_copy);
        delete layout_;
    }
    Layout(const Layout &) = delete;
    Layout &operator=(const Layout &) = delete;

    int parse(const char *text, int copy = 0) { return tevra_parse_kvfmt_layout(layout_, text, copy); }
    tevra_kvfmt_layout *get() const { return layout_; }
    tevra_kvfmt_layout *operator->() const { return layout_; }

  private:
    tevra_kvfmt_layout *layout_;
};

// The items of a layout as "key:verb" strings, in order.
Items items_of(const tevra_kvfmt_layout &layout) {
    Items out;
    for (uint32_t i = 0; i < layout.count && i < TEVRA_KVFMT_MAX_ITEMS; ++i) {
        const tevra_kvfmt_entry &e = layout.entries[i];
        out.push_back(std::string(e.key, e.key_len) + ":" + std::to_string(e.verb));
    }
    return out;
}

// The cache's FNV-1a variant, written out independently.
uint32_t fnv(const std::string &text) {
    uint32_t h = 1469598103u;
    for (unsigned char c : text) h = (h ^ c) * 16777619u;
    return h;
}

Items parsed_items(const std::string &text) {
    Layout l;
    EXPECT_EQ(l.parse(text.c_str()), 0) << "refused: " << text;
    return items_of(*l.get());
}

bool refused(const std::string &text) {
    Layout l;
    const int rc = l.parse(text.c_str());
    // A refused template leaves nothing behind.
    EXPECT_EQ(l->template_text, nullptr) << text;
    EXPECT_EQ(l->template_copy, nullptr) << text;
    EXPECT_EQ(l->count, 0u) << text;
    return rc == -1;
}

std::string items(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += "k" + std::to_string(i) + "=%d ";
    return text;
}

TEST(KvfmtParse, ItemsAreReadInOrderWithTheirVerbCodes) {
    EXPECT_EQ(parsed_items("a=%s b=%d"), (Items{"a:0", "b:1"}));
    EXPECT_EQ(parsed_items("s=%s ls=%ls d=%d ld=%ld u=%u lu=%lu f=%f lf=%lf"),
              (Items{"s:0", "ls:0", "d:1", "ld:2", "u:3", "lu:4", "f:5", "lf:5"}));
    EXPECT_EQ(parsed_items("p=%p lp=%lp b=%b lb=%lb m=%m"), (Items{"p:6", "lp:6", "b:7", "lb:7", "m:8"}));
}

TEST(KvfmtParse, SpacesAroundAndBetweenItemsDoNotMatter) {
    const Items two{"a:0", "b:1"};
    EXPECT_EQ(parsed_items("  a=%s b=%d"), two);
    EXPECT_EQ(parsed_items("a=%s b=%d   "), two);
    EXPECT_EQ(parsed_items("a=%s     b=%d"), two);
    EXPECT_EQ(parsed_items("   a=%s  b=%d  "), two);
}

TEST(KvfmtParse, EmptyAndAllSpaceTemplatesHaveNoItems) {
    for (const char *text : {"", " ", "      "}) {
        Layout l;
        ASSERT_EQ(l.parse(text), 0) << '"' << text << '"';
        EXPECT_EQ(l->count, 0u);
        EXPECT_EQ(l->template_text, text);
        EXPECT_EQ(l->template_len, std::strlen(text));
    }
}

TEST(KvfmtParse, KeyRunsToTheFirstEqualsFollowedByPercent) {
    EXPECT_EQ(parsed_items("a=b=%d"), (Items{"a=b:1"}));
    EXPECT_EQ(parsed_items("x==%s"), (Items{"x=:0"}));
}

TEST(KvfmtParse, TextAfterTheVerbLetterIsIgnored) {
    EXPECT_EQ(parsed_items("n=%dms t=%ffoo"), (Items{"n:1", "t:5"}));
    // What looks like another item, up to the next space, would read an
    // argument of its own that no item accounts for: refused.
    EXPECT_TRUE(refused("a=%sb=%d c=%u"));
}

TEST(KvfmtParse, PercentAfterTheVerbLetterMakesTheTemplateInvalid) {
    EXPECT_TRUE(refused("a=%d,b=%d name=%s"));
    EXPECT_TRUE(refused("user=%s,id=%d ok=%b"));
    EXPECT_TRUE(refused("n=%d%"));
    EXPECT_TRUE(refused("ok=%s n=%dms%%"));
    // Only the tail of an item counts: a '%' inside a key is a key byte.
    EXPECT_EQ(parsed_items("a%b=%s n=%dms"), (Items{"a%b:0", "n:1"}));
}

TEST(KvfmtParse, KeysMayHoldAnyByteAboveSpaceButQuoteBackslashAndDel) {
    EXPECT_EQ(parsed_items("caf\xc3\xa9=%s"), (Items{"caf\xc3\xa9:0"}));
    // No UTF-8 check: a lone continuation byte and 0xFF pass.
    EXPECT_EQ(parsed_items("\x80\xff=%d"), (Items{"\x80\xff:1"}));
    EXPECT_EQ(parsed_items("a.b-c_d/e:f[0]{}!#$&'()*+,;<>?@^`|~=%d"),
              (Items{"a.b-c_d/e:f[0]{}!#$&'()*+,;<>?@^`|~:1"}));
}

TEST(KvfmtParse, KeysPointIntoTheTemplateText) {
    const char *text = " alpha=%s beta=%d";
    Layout l;
    ASSERT_EQ(l.parse(text), 0);
    ASSERT_EQ(l->count, 2u);
    EXPECT_EQ(l->entries[0].key, text + 1);
    EXPECT_EQ(l->entries[0].key_len, 5u);
    EXPECT_EQ(l->entries[1].key, text + 10);
    EXPECT_EQ(l->entries[1].key_len, 4u);
    // The parser renders nothing in front of the values.
    EXPECT_EQ(l->entries[0].console_prefix_len, 0u);
    EXPECT_EQ(l->entries[0].json_key_len, 0u);
}

TEST(KvfmtParse, ThirtyTwoItemsAreTheLimit) {
    EXPECT_EQ(parsed_items(items(32)).size(), 32u);
    EXPECT_TRUE(refused(items(33)));
    // The 33rd item is refused even when well-formed and short.
    EXPECT_TRUE(refused(items(32) + "z=%m"));
}

TEST(KvfmtParse, UnknownOrIncompleteVerbsAreRefused) {
    for (const char *text : {"a=%lm", "a=%x", "a=%", "a=%q", "a=%l", "a=%ll", "a=%S", "a=%D", "a=% d",
                             "a=%s b=%x", "a=%%"}) {
        EXPECT_TRUE(refused(text)) << text;
    }
}

TEST(KvfmtParse, MalformedItemsAreRefused) {
    for (const char *text : {"=%d", "a", "a=", "a b=%d", "a\"=%d", "a\\=%d", "a=%d b", "a=%d =%s", "a=d",
                             "a%d"}) {
        EXPECT_TRUE(refused(text)) << text;
    }
}

TEST(KvfmtParse, ControlBytesAndDelInKeysAreRefused) {
    for (const char *text : {"a\tb=%d", "\ta=%d", "a\x7f=%d", "a\x01=%d", "a\n=%d", "a\r=%d"}) {
        EXPECT_TRUE(refused(text)) << text;
    }
}

TEST(KvfmtParse, HashIsFnv1aFromTheLibraryStartValue) {
    for (const char *text : {"", "a=%s b=%d", "caf\xc3\xa9=%s", "  n=%dms  "}) {
        Layout l;
        ASSERT_EQ(l.parse(text), 0);
        EXPECT_EQ(l->hash, fnv(text)) << text;
    }
    Layout empty;
    ASSERT_EQ(empty.parse(""), 0);
    EXPECT_EQ(empty->hash, 1469598103u);
    // Worked out by hand, not with the customary start value 2166136261.
    Layout known;
    ASSERT_EQ(known.parse("a=%s"), 0);
    EXPECT_EQ(known->hash, 0x33353431u);
}

TEST(KvfmtParse, CopyFlagMakesTheKeysPointIntoAnOwnedCopy) {
    char text[] = "user=%s n=%d";
    Layout l;
    ASSERT_EQ(l.parse(text, 1), 0);
    ASSERT_NE(l->template_copy, nullptr);
    EXPECT_NE(l->template_copy, text);
    EXPECT_EQ(l->template_text, l->template_copy);
    EXPECT_EQ(l->entries[1].key, l->template_copy + 8);
    // Changing the caller's text changes nothing in the layout.
    std::memset(text, 'x', sizeof text - 1);
    EXPECT_EQ(items_of(*l.get()), (Items{"user:0", "n:1"}));

    Layout borrowed;
    char again[] = "user=%s";
    ASSERT_EQ(borrowed.parse(again, 0), 0);
    EXPECT_EQ(borrowed->template_copy, nullptr);
    EXPECT_EQ(borrowed->template_text, again);
}

TEST(KvfmtParse, ReparsingFreesTheEarlierCopyAndAFailureLeavesAResetLayout) {
    Layout l;
    ASSERT_EQ(l.parse("a=%s", 1), 0);
    // The old copy is freed (a leak checker would see it otherwise).
    ASSERT_EQ(l.parse("b=%d c=%u", 1), 0);
    EXPECT_EQ(items_of(*l.get()), (Items{"b:1", "c:3"}));
    ASSERT_EQ(l.parse("b=%d c", 1), -1);
    EXPECT_EQ(l->template_copy, nullptr);
    EXPECT_EQ(l->template_text, nullptr);
    EXPECT_EQ(l->template_len, 0u);
    EXPECT_EQ(l->hash, 0u);
    EXPECT_EQ(l->count, 0u);
}

TEST(KvfmtParse, NullTemplateGivesAnEmptyLayoutAndNullLayoutIsRefused) {
    Layout l;
    ASSERT_EQ(l.parse("a=%s", 1), 0);
    EXPECT_EQ(l.parse(nullptr, 1), 0);
    EXPECT_EQ(l->template_text, nullptr);
    EXPECT_EQ(l->template_copy, nullptr);
    EXPECT_EQ(l->count, 0u);
    EXPECT_EQ(tevra_parse_kvfmt_layout(nullptr, "a=%s", 0), -1);
}

}  // namespace
