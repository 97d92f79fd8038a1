#include <gtest/gtest.h>
#include <tevra.h>

#include <string>
#include <vector>

#include "core/shared.hpp"
#include "support/alloc_hook.hpp"
#include "support/capture_sink.hpp"
#include "support/logger.hpp"

namespace {

using tevra_test::CaptureSink;

struct Tree {
    CaptureSink sink;
    tevra_logger *root = nullptr;
    tevra_logger *parent = nullptr;

    explicit Tree(int mode) {
        root = tevra_test::new_logger(sink, mode, tevra_test::owning_output());
        static const unsigned char sig[] = {1, 2, 3, 4};
        const tevra_field bound[] = {tevra_str("svc", "api"), tevra_bytes_field("sig", sig, 4)};
        parent = tevra_with(root, bound, 2);
    }
    ~Tree() {
        parent->destroy(parent);
        root->destroy(root);
        EXPECT_EQ(sink.close_calls(), 1);
    }

    std::string line_of(tevra_logger *log) {
        sink.clear();
        tevra_info(log, "probe", nullptr, 0);
        return sink.text();
    }
};

// Runs `derive` with each of its allocations failed in turn. A failed
// derivation must give back everything and its reference; one that still
// succeeds (a render that could retry) must write the same line as an
// undisturbed one.
struct SweepResult {
    long allocations = 0;
    long failures = 0;
};

template <typename Derive>
SweepResult sweep(Tree &tree, Derive derive) {
    SweepResult result;
    const std::string parent_line = tree.line_of(tree.parent);
    const long before = tevra_test::AllocationCount();
    tevra_logger *reference = derive(tree.parent);
    const long allocations = tevra_test::AllocationCount() - before;
    EXPECT_NE(reference, nullptr);
    if (reference == nullptr) return result;
    result.allocations = allocations;
    const std::string expected = tree.line_of(reference);
    reference->destroy(reference);
    EXPECT_GE(allocations, 2);

    for (long n = 1; n <= allocations; ++n) {
        const long live = tevra_test::LiveAllocations();
        tevra_test::FailAllocation(n);
        tevra_logger *child = derive(tree.parent);
        tevra_test::FailAllocation(0);
        if (child == nullptr) {
            ++result.failures;
        } else {
            EXPECT_EQ(tree.line_of(child), expected) << "allocation " << n;
            child->destroy(child);
        }
        EXPECT_EQ(tevra_test::LiveAllocations(), live) << "allocation " << n;
        EXPECT_EQ(tevra_test::refcount(tree.root), 2u) << "allocation " << n;
    }
    EXPECT_EQ(tree.line_of(tree.parent), parent_line);
    EXPECT_EQ(tree.sink.close_calls(), 0);
    return result;
}

TEST(DeriveAlloc, EveryAllocationOfAPlainDerivationIsNeeded) {
    for (int mode : {TEVRA_MODE_JSON, TEVRA_MODE_CONSOLE}) {
        SCOPED_TRACE(mode);
        Tree tree(mode);
        static const unsigned char raw[] = {9, 8, 7};
        const tevra_field f[] = {tevra_str("user", "alice"), tevra_bytes_field("raw", raw, 3),
                                 tevra_i64("n", 5), tevra_null(nullptr)};
        const SweepResult r = sweep(tree, [&](tevra_logger *p) { return tevra_with(p, f, 4); });
        // Handle, state, array, six keys, four values, prefix: nothing is
        // optional, so every failure must fail the derivation.
        EXPECT_EQ(r.allocations, 14);
        EXPECT_EQ(r.failures, r.allocations);
    }
}

TEST(DeriveAlloc, PrefixThatOutgrowsItsEstimateFailsCleanlyOrRendersWhole) {
    for (int mode : {TEVRA_MODE_JSON, TEVRA_MODE_CONSOLE}) {
        SCOPED_TRACE(mode);
        Tree tree(mode);
        const std::string key(2500, '\x02');
        const tevra_field f[] = {tevra_str(key.c_str(), "v")};
        const SweepResult r = sweep(tree, [&](tevra_logger *p) { return tevra_with(p, f, 1); });
        EXPECT_GT(r.allocations, 6);
        EXPECT_GE(r.failures, 6);
    }
}

TEST(DeriveAlloc, LevelAndTemplateDerivationsFailCleanly) {
    Tree tree(TEVRA_MODE_JSON);
    auto level = [](tevra_logger *p) { return tevra_with_level(p, TEVRA_LEVEL_WARN); };
    SweepResult r = sweep(tree, level);
    EXPECT_EQ(r.failures, r.allocations);
    r = sweep(tree, [](tevra_logger *p) { return tevra_with_level_field(p); });
    EXPECT_EQ(r.failures, r.allocations);
    // The first use caches the template for the tree's lifetime; sweep
    // after that so the cache entry is not counted as a leak.
    auto templated = [](tevra_logger *p) { return tevra_withf(p, "user=%s n=%d", "bob", 4); };
    tevra_logger *warm = templated(tree.parent);
    ASSERT_NE(warm, nullptr);
    warm->destroy(warm);
    r = sweep(tree, templated);
    EXPECT_GT(r.allocations, 2);
    EXPECT_EQ(r.failures, r.allocations);
}

}  // namespace
