// SPDX-License-Identifier: MIT
// The level table against the functions that read it: every spelling it
// lists is accepted from the environment, and every name it gives is the
// one the exported lookups return.
#include <gtest/gtest.h>
#include <tevra.h>

#include <string>

#include "core/level_table.hpp"

namespace {

std::string upper(std::string_view word) {
    std::string s(word);
    for (char &c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return s;
}

void expect_row_spellings_parse(const tev::LevelRow &row) {
    std::string spellings[] = {std::string(row.name), std::string(row.also[0]),
                               std::string(row.also[1])};
    for (const std::string &word : spellings) {
        if (word.empty()) continue;
        for (const std::string &text : {word, upper(word), " " + word + "\n"}) {
            int level = 12345;
            EXPECT_EQ(tevra_parse_level(text.c_str(), &level), 1) << text;
            EXPECT_EQ(level, row.level) << text;
        }
    }
}

TEST(LevelTable, EverySpellingIsAcceptedFromTheEnvironment) {
    for (const tev::LevelRow &row : tev::kLevelRows) expect_row_spellings_parse(row);
    expect_row_spellings_parse(tev::kDisabledRow);
}

TEST(LevelTable, UnusedSpellingSlotsDoNotMatchAnEmptyWord) {
    int level = 12345;
    EXPECT_EQ(tevra_parse_level("", &level), 0);
    EXPECT_EQ(tevra_parse_level("   ", &level), 0);
    EXPECT_EQ(level, 12345);
}

TEST(LevelTable, ExportedNamesAndLabelsAreTheRows) {
    for (const tev::LevelRow &row : tev::kLevelRows) {
        EXPECT_EQ(std::string(tevra_level_string(row.level)), row.name);
        EXPECT_EQ(tevra_level_string_len(row.level), row.name.size());
        EXPECT_EQ(std::string(tevra_level_console_label(row.level)), row.label);
    }
    // Switched off keeps its name but is labelled as info, like unknown codes.
    EXPECT_STREQ(tevra_level_string(TEVRA_LEVEL_DISABLED), "disabled");
    EXPECT_STREQ(tevra_level_console_label(TEVRA_LEVEL_DISABLED), "INF");
    EXPECT_STREQ(tevra_level_string(42), "info");
    EXPECT_STREQ(tevra_level_console_label(-7), "INF");
}

}  // namespace
