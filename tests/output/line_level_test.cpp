// tevra_line_level: a sink sees the level of the line it is handed, in every
// piece of a long line and in both modes, and nothing outside a write.
#include <gtest/gtest.h>
#include <tevra.h>

#include <string>
#include <vector>

namespace {

// Records, for every write call, the level the library reports.
struct LevelSink {
    std::vector<int> levels;
    std::string text;
    static int write(void *user, const void *data, size_t len, size_t *written) {
        auto *self = static_cast<LevelSink *>(user);
        self->levels.push_back(tevra_line_level());
        self->text.append(static_cast<const char *>(data), len);
        *written = len;
        return 0;
    }
};

tevra_logger *make_logger(LevelSink &sink, int mode, size_t buffer_size) {
    tevra_config cfg;
    tevra_default_config(&cfg);
    cfg.mode = mode;
    cfg.color = TEVRA_COLOR_NEVER;
    cfg.timestamps = 0;
    cfg.level = TEVRA_LEVEL_TRACE;
    cfg.buffer_size = buffer_size;
    cfg.output = tevra_output{&LevelSink::write, nullptr, nullptr, &sink, 0};
    return tevra_new(&cfg);
}

class LineLevel : public ::testing::TestWithParam<int> {};

TEST_P(LineLevel, SinkSeesTheLevelOfEachLineAndNothingOutsideAWrite) {
    EXPECT_EQ(tevra_line_level(), TEVRA_LEVEL_DISABLED);
    LevelSink sink;
    tevra_logger *log = make_logger(sink, GetParam(), 0);
    ASSERT_NE(log, nullptr);
    const int levels[] = {TEVRA_LEVEL_TRACE, TEVRA_LEVEL_DEBUG, TEVRA_LEVEL_INFO,
                          TEVRA_LEVEL_WARN,  TEVRA_LEVEL_ERROR, TEVRA_LEVEL_NOLEVEL};
    for (int level : levels) tevra_fields(log, level, "m", nullptr, 0);
    // An unknown level is shown as info, so the sink hears info too.
    tevra_fields(log, 42, "m", nullptr, 0);
    tevra_errorf(log, "t", "n=%d", 3);
    EXPECT_EQ(sink.levels, (std::vector<int>{-1, 0, 1, 2, 3, 6, 1, 3}));
    EXPECT_EQ(tevra_line_level(), TEVRA_LEVEL_DISABLED);
    log->destroy(log);
}

TEST_P(LineLevel, EveryPieceOfALongLineCarriesItsLevel) {
    LevelSink sink;
    tevra_logger *log = make_logger(sink, GetParam(), 64);
    ASSERT_NE(log, nullptr);
    const std::string big(1000, 'x');
    const tevra_field f = tevra_str("k", big.c_str());
    tevra_warn(log, "long", &f, 1);
    tevra_error(log, "short", nullptr, 0);
    ASSERT_GT(sink.levels.size(), 10u);
    const size_t last = sink.levels.size() - 1;
    for (size_t i = 0; i < last; ++i) EXPECT_EQ(sink.levels[i], TEVRA_LEVEL_WARN) << i;
    EXPECT_EQ(sink.levels[last], TEVRA_LEVEL_ERROR);
    EXPECT_NE(sink.text.find(big), std::string::npos);
    log->destroy(log);
}

INSTANTIATE_TEST_SUITE_P(Modes, LineLevel,
                         ::testing::Values(TEVRA_MODE_JSON, TEVRA_MODE_CONSOLE));

}  // namespace
