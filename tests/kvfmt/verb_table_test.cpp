// SPDX-License-Identifier: MIT
// The verb table against the template parser and the field builder: every
// verb the parser knows has a row, and its argument becomes the row's kind.
#include <gtest/gtest.h>
#include <tevra.h>

#include <cerrno>
#include <set>

#include "core/kind_table.hpp"
#include "kvfmt_support.hpp"

namespace {

using kvfmt_test::parse_fields;

// One item per verb the parser accepts.
constexpr const char *kEveryVerb = "s=%s d=%d ld=%ld u=%u lu=%lu f=%f p=%p b=%b m=%m";

TEST(VerbTable, EveryParsedVerbHasARowAndBecomesItsKind) {
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *layout = nullptr;
    ASSERT_EQ(tevra_resolve_kvfmt_entry(nullptr, kEveryVerb, &scratch, &layout), 0);
    ASSERT_NE(layout, nullptr);
    ASSERT_EQ(layout->count, tev::kVerbRows.size());

    int target = 0;
    tevra_field f[TEVRA_KVFMT_MAX_ITEMS];
    size_t count = 0;
    ASSERT_EQ(parse_fields(nullptr, f, &count, 1, kEveryVerb, EACCES, "txt", -5, -6L, 7u, 8UL, 2.5,
                           static_cast<void *>(&target), 1),
              0);
    ASSERT_EQ(count, tev::kVerbRows.size());

    std::set<uint32_t> verbs;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t verb = layout->entries[i].verb;
        ASSERT_LT(verb, tev::kVerbRows.size());
        verbs.insert(verb);
        EXPECT_EQ(static_cast<uint32_t>(f[i].kind), tev::kVerbRows[verb].kind) << "item " << i;
    }
    EXPECT_EQ(verbs.size(), tev::kVerbRows.size());
}

}  // namespace
