// Template calls as an application makes them, judged by the whole lines
// they write: templates that would read the wrong arguments, and templates
// that meet an allocation failure.
#include <gtest/gtest.h>
#include <tevra.h>

#include <string>
#include <vector>

#include "kvfmt_support.hpp"
#include "support/alloc_hook.hpp"
#include "support/logger.hpp"

namespace {

using kvfmt_test::filled_slots;
using tevra_test::Logger;
using Lines = std::vector<std::string>;

struct ModeLines {
    int mode;
    const char *invalid;  // the line that replaces an unparseable template call
};
constexpr ModeLines kModes[] = {
    {TEVRA_MODE_JSON, R"({"lvl":"error","msg":"invalid kvfmt"})"},
    {TEVRA_MODE_CONSOLE, "ERR invalid kvfmt"},
};

TEST(KvfmtLines, TailThatReadsArgumentsGivesTheInvalidLineAndReadsNone) {
    for (const ModeLines &m : kModes) {
        Logger l(m.mode);
        // Read as two items, `name` would take the int 2 as a char *.
        tevra_infof(l.log, "m", "a=%d,b=%d name=%s", 1, 2, "x");
        tevra_infof(l.log, "m", "user=%s,id=%d ok=%b", "ann", 7, 1);
        EXPECT_EQ(l.sink.lines(), (Lines{m.invalid, m.invalid})) << m.mode;
        l.sink.clear();
        // A derivation from such a template fails without writing.
        EXPECT_EQ(tevra_withf(l.log, "a=%d,b=%d name=%s", 1, 2, "x"), nullptr);
        EXPECT_EQ(l.sink.text(), "");
    }
}

TEST(KvfmtLines, NoMemoryToCacheATemplateStillWritesTheEvent) {
    const Lines expected[] = {
        {R"({"lvl":"info","msg":"m","a":5,"s":"x"})", R"({"lvl":"info","msg":"m","a":6,"s":"y"})"},
        {"INF m a=5 s=x", "INF m a=6 s=y"},
    };
    for (size_t i = 0; i < 2; ++i) {
        Logger l(kModes[i].mode);
        // The first allocation of the call is the cache's copy of the text.
        tevra_test::FailAllocation(1);
        tevra_infof(l.log, "m", "a=%d s=%s", 5, "x");
        tevra_test::FailAllocation(0);
        EXPECT_EQ(filled_slots(l.shared()), 0u);
        // Memory is back: the same template is cached and writes the same.
        tevra_infof(l.log, "m", "a=%d s=%s", 6, "y");
        EXPECT_EQ(filled_slots(l.shared()), 1u);
        EXPECT_EQ(l.sink.lines(), expected[i]);
        l.sink.clear();

        // Out of memory, a template that does not parse is still reported.
        tevra_test::FailAllocation(1);
        tevra_infof(l.log, "m", "a=%q", 5);
        tevra_test::FailAllocation(0);
        EXPECT_EQ(l.sink.lines(), (Lines{kModes[i].invalid}));
    }
}

TEST(KvfmtLines, NoMemoryToCacheADerivationTemplateStillDerives) {
    Logger l;
    tevra_test::FailAllocation(1);
    tevra_logger *child = tevra_withf(l.log, "svc=%s n=%d", "api", 3);
    tevra_test::FailAllocation(0);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(filled_slots(l.shared()), 0u);
    tevra_info(child, "m", nullptr, 0);
    EXPECT_EQ(l.sink.lines(), (Lines{R"({"lvl":"info","msg":"m","svc":"api","n":3})"}));
    child->destroy(child);
}

}  // namespace
