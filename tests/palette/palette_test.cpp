// SPDX-License-Identifier: MIT
// The built-in palettes checked against an independent transcription of
// their colour table, and lookup by forgiving names.
#include <gtest/gtest.h>
#include <tevra.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/default_palette.hpp"

namespace {

// One row per 256-colour palette: cells in slot order key .. message key,
// "N" for ESC[38;5;Nm and "bN" for the bold ESC[1;38;5;Nm.
struct Row {
    const char *name;
    const tevra_palette *object;
    const char *cells;
};

const Row kRows[] = {
    {"ayu-light", &tevra_builtin_palette_ayu_light, "b136 b109 66 109 243 66 109 b130 173 b173 b173 b173 109 b130 109"},
    {"ayu-mirage", &tevra_builtin_palette_ayu_mirage, "b214 b179 110 109 239 66 110 b214 173 b173 b173 b173 109 b215 179"},
    {"catppuccin-mocha", &tevra_builtin_palette_catppuccin_mocha, "217 183 147 152 244 104 109 150 216 211 205 204 110 b223 182"},
    {"dracula", &tevra_builtin_palette_dracula, "219 141 111 81 240 60 98 117 219 204 198 199 95 b225 147"},
    {"everforest", &tevra_builtin_palette_everforest, "b143 b108 108 142 239 66 109 b143 109 b179 b179 b179 109 b223 108"},
    {"everforest-light", &tevra_builtin_palette_everforest_light, "b136 b108 66 109 243 66 109 b136 137 b173 b173 b173 109 b130 108"},
    {"github-dark", &tevra_builtin_palette_github_dark, "b111 b109 110 109 239 67 109 b111 179 b203 b203 b203 109 b189 109"},
    {"github-light", &tevra_builtin_palette_github_light, "b27 b61 67 109 244 67 61 b24 130 b130 b130 b130 109 b24 61"},
    {"gruvbox", &tevra_builtin_palette_gruvbox, "214 178 108 142 101 66 72 107 208 167 160 161 137 b221 172"},
    {"gruvbox-light", &tevra_builtin_palette_gruvbox_light, "130 108 66 142 180 109 114 73 173 167 161 125 180 b223 136"},
    {"horizon", &tevra_builtin_palette_horizon, "b214 b203 209 141 239 167 209 b214 110 b203 b203 b203 110 b222 203"},
    {"iosvkem", &tevra_builtin_palette_iosvkem, "222 216 109 151 244 66 72 114 208 203 197 199 242 b223 67"},
    {"kanagawa", &tevra_builtin_palette_kanagawa, "b215 b179 150 109 240 66 109 b216 110 b181 b181 b181 109 b223 173"},
    {"monokai-vibrant", &tevra_builtin_palette_monokai_vibrant, "229 121 198 118 59 104 114 121 215 197 161 201 103 b229 141"},
    {"night-owl", &tevra_builtin_palette_night_owl, "b111 b75 110 81 244 67 74 b117 179 b204 b204 b204 109 b117 75"},
    {"nord", &tevra_builtin_palette_nord, "153 152 109 115 245 67 74 117 179 210 204 205 109 b195 110"},
    {"oceanic-next", &tevra_builtin_palette_oceanic_next, "b110 b75 109 110 239 67 75 b110 179 b203 b203 b203 109 b189 75"},
    {"one-dark", &tevra_builtin_palette_one_dark, "b110 b147 141 115 239 67 75 b75 178 b203 b203 b203 109 b189 75"},
    {"one-dark-aurora", &tevra_builtin_palette_one_dark_aurora, "110 147 141 115 59 24 31 38 178 203 197 199 109 b189 75"},
    {"one-light", &tevra_builtin_palette_one_light, "b33 b97 67 109 243 66 109 b130 137 b167 b167 b167 109 b130 67"},
    {"outrun-electric", &tevra_builtin_palette_outrun_electric, "201 81 99 69 60 33 39 45 129 205 206 213 117 b219 33"},
    {"palenight", &tevra_builtin_palette_palenight, "b147 b141 110 109 239 67 110 b147 179 b203 b203 b203 109 b189 141"},
    {"papercolor-dark", &tevra_builtin_palette_papercolor_dark, "b109 b110 110 109 239 67 110 b109 179 b203 b203 b203 109 b223 110"},
    {"papercolor-light", &tevra_builtin_palette_papercolor_light, "b33 b64 67 109 244 67 61 b130 136 b166 b166 b166 109 b130 64"},
    {"rose-pine", &tevra_builtin_palette_rose_pine, "b217 b180 146 110 244 104 110 b217 117 b210 b210 b210 110 b223 146"},
    {"rose-pine-dawn", &tevra_builtin_palette_rose_pine_dawn, "b173 b137 108 66 244 66 109 b173 109 b131 b131 b131 109 b180 137"},
    {"solarized-dark", &tevra_builtin_palette_solarized_dark, "b64 b37 33 130 240 33 37 b136 166 b166 b166 b166 109 b230 64"},
    {"solarized-light", &tevra_builtin_palette_solarized_light, "b64 b37 33 130 244 33 37 b136 166 b166 b166 b166 109 b136 64"},
    {"solarized-nightfall", &tevra_builtin_palette_solarized_nightfall, "37 86 61 65 239 24 30 36 136 160 166 161 244 b230 33"},
    {"synthwave-84", &tevra_builtin_palette_synthwave_84, "198 51 207 219 102 63 69 81 220 205 200 201 69 b219 45"},
    {"tokyo-night", &tevra_builtin_palette_tokyo_night, "69 110 176 117 244 63 67 111 173 210 205 219 109 b218 74"},
};

struct Alias {
    const char *alias;
    const char *canonical;
};

const Alias kAliases[] = {
    {"ayulight", "ayu-light"},
    {"nightowl", "night-owl"},
    {"ayumirage", "ayu-mirage"},
    {"oceanicnext", "oceanic-next"},
    {"catppuccinmocha", "catppuccin-mocha"},
    {"onedark", "one-dark"},
    {"doom-dracula", "dracula"},
    {"onedarkaurora", "one-dark-aurora"},
    {"doom-gruvbox", "gruvbox"},
    {"onelight", "one-light"},
    {"doom-iosvkem", "iosvkem"},
    {"outrunelectric", "outrun-electric"},
    {"doom-nord", "nord"},
    {"papercolordark", "papercolor-dark"},
    {"doomdracula", "dracula"},
    {"papercolorlight", "papercolor-light"},
    {"doomgruvbox", "gruvbox"},
    {"rosepine", "rose-pine"},
    {"doomiosvkem", "iosvkem"},
    {"rosepinedawn", "rose-pine-dawn"},
    {"doomnord", "nord"},
    {"solarizeddark", "solarized-dark"},
    {"everforestlight", "everforest-light"},
    {"solarizedlight", "solarized-light"},
    {"githubdark", "github-dark"},
    {"solarizednightfall", "solarized-nightfall"},
    {"githublight", "github-light"},
    {"synthwave84", "synthwave-84"},
    {"gruvboxlight", "gruvbox-light"},
    {"tokyonight", "tokyo-night"},
    {"monokaivibrant", "monokai-vibrant"},
};

// The default palette in the member order of actual_strings.
const std::vector<std::string> &default_strings() {
    using namespace tevra_test::default_palette;
    static const std::vector<std::string> strings = {
        kKey,   kString, kNumber, kBool,  kNull,      kTrace,   kDebug,      kInfo,
        kWarn,  kError,  kFatal,  kPanic, kTimestamp, kMessage, kMessageKey, kReset,
    };
    return strings;
}

std::vector<std::string> expected_strings(const char *cells) {
    std::vector<std::string> out;
    std::istringstream in(cells);
    std::string cell;
    while (in >> cell) {
        const bool bold = cell[0] == 'b';
        const int colour = std::atoi(cell.c_str() + (bold ? 1 : 0));
        EXPECT_TRUE(colour >= 0 && colour <= 255) << cell;
        out.push_back(std::string("\x1b[") + (bold ? "1;" : "") + "38;5;" + std::to_string(colour) + "m");
    }
    EXPECT_EQ(out.size(), 15u) << cells;
    out.push_back("\x1b[0m");
    return out;
}

std::vector<std::string> actual_strings(const tevra_palette *p) {
    const char *const members[16] = {
        p->key_color,       p->string_color,    p->number_color, p->bool_color,
        p->null_color,      p->trace_color,     p->debug_color,  p->info_color,
        p->warn_color,      p->error_color,     p->fatal_color,  p->panic_color,
        p->timestamp_color, p->message_color,   p->message_key_color, p->reset,
    };
    std::vector<std::string> out;
    for (const char *m : members) out.push_back(m != nullptr ? m : "<NULL>");
    return out;
}

const Row *row_named(const std::string &name) {
    for (const Row &r : kRows) {
        if (name == r.name) return &r;
    }
    return nullptr;
}

TEST(Palette, EveryBuiltinPaletteHoldsItsTabledEscapes) {
    ASSERT_EQ(std::size(kRows), 31u);
    for (const Row &r : kRows) {
        SCOPED_TRACE(r.name);
        const std::vector<std::string> want = expected_strings(r.cells);
        EXPECT_EQ(actual_strings(r.object), want);
        const tevra_palette *found = tevra_palette_by_name(r.name);
        EXPECT_EQ(found, r.object);
        EXPECT_EQ(actual_strings(found), want);
    }
}

TEST(Palette, DefaultPaletteUsesTheTerminalsSixteenColours) {
    const std::vector<std::string> &want = default_strings();
    EXPECT_EQ(tevra_palette_default(), &tevra_builtin_palette_default);
    EXPECT_EQ(actual_strings(&tevra_builtin_palette_default), want);
    EXPECT_EQ(tevra_palette_by_name("default"), &tevra_builtin_palette_default);
}

TEST(Palette, EveryAliasGivesItsCanonicalPalette) {
    ASSERT_EQ(std::size(kAliases), 31u);
    for (const Alias &a : kAliases) {
        SCOPED_TRACE(a.alias);
        const Row *row = row_named(a.canonical);
        ASSERT_NE(row, nullptr);
        const tevra_palette *found = tevra_palette_by_name(a.alias);
        EXPECT_EQ(found, row->object);
        EXPECT_EQ(actual_strings(found), expected_strings(row->cells));
    }
}

TEST(Palette, NamesAreListedByteWiseWithDefaultFourth) {
    std::vector<std::string> want{"default"};
    for (const Row &r : kRows) want.push_back(r.name);
    std::sort(want.begin(), want.end());

    ASSERT_EQ(tevra_palette_count(), 32u);
    std::vector<std::string> names;
    std::set<const tevra_palette *> palettes;
    for (unsigned i = 0; i < tevra_palette_count(); ++i) {
        const char *name = tevra_palette_name(i);
        ASSERT_NE(name, nullptr) << i;
        names.push_back(name);
        palettes.insert(tevra_palette_by_name(name));
    }
    EXPECT_EQ(names, want);
    EXPECT_EQ(palettes.size(), 32u) << "every name reaches a palette of its own";
    EXPECT_STREQ(tevra_palette_name(3), "default");
    EXPECT_STREQ(tevra_palette_name(31), "tokyo-night");
    EXPECT_EQ(tevra_palette_name(32), nullptr);
    EXPECT_EQ(tevra_palette_name(UINT_MAX), nullptr);
}

TEST(PaletteLookup, CaseAndPalettePrefixDoNotMatter) {
    for (const char *name : {"Nord", "NORD", "palette-nord", "palette nord", "palettenord", "Palette_Nord",
                             "PALETTE--nord", "palette- nord", "nord  "}) {
        EXPECT_EQ(tevra_palette_by_name(name), &tevra_builtin_palette_nord) << name;
    }
}

TEST(PaletteLookup, SpacesUnderscoresAndRepeatedSeparatorsBecomeOneHyphen) {
    for (const char *name : {"Solarized Dark", "solarized_dark", "solarized--dark-", "solarizeddark",
                             "SOLARIZED _ DARK", "solarized-dark___"}) {
        EXPECT_EQ(tevra_palette_by_name(name), &tevra_builtin_palette_solarized_dark) << name;
    }
    EXPECT_EQ(tevra_palette_by_name("one dark aurora"), &tevra_builtin_palette_one_dark_aurora);
    EXPECT_EQ(tevra_palette_by_name("Rose_Pine Dawn"), &tevra_builtin_palette_rose_pine_dawn);
}

TEST(PaletteLookup, DoomAndSynthwaveSpellings) {
    for (const char *name : {"doom-nord", "doom nord", "doomnord", "Doom_Nord"}) {
        EXPECT_EQ(tevra_palette_by_name(name), &tevra_builtin_palette_nord) << name;
    }
    EXPECT_EQ(tevra_palette_by_name("doom_dracula"), &tevra_builtin_palette_dracula);
    EXPECT_EQ(tevra_palette_by_name("palette doom gruvbox"), &tevra_builtin_palette_gruvbox);
    for (const char *name : {"synthwave84", "synthwave_84", "Synthwave 84"}) {
        EXPECT_EQ(tevra_palette_by_name(name), &tevra_builtin_palette_synthwave_84) << name;
    }
}

TEST(PaletteLookup, EmptyOrUnknownNamesGiveTheDefault) {
    EXPECT_EQ(tevra_palette_by_name(nullptr), &tevra_builtin_palette_default);
    for (const char *name : {"", "palette", "palette-", "---", "   ", "no-such-theme", "Palette__", "nord2",
                             "nor", "doom", "dark"}) {
        EXPECT_EQ(tevra_palette_by_name(name), &tevra_builtin_palette_default) << '"' << name << '"';
    }
}

TEST(PaletteLookup, LeadingSeparatorIsKeptAndMatchesNothing) {
    for (const char *name : {"-nord", " nord", "_nord", "--solarized-dark"}) {
        EXPECT_EQ(tevra_palette_by_name(name), &tevra_builtin_palette_default) << name;
    }
}

TEST(PaletteLookup, LongNamesAreReadOnlyToSixtyThreeNormalisedCharacters) {
    // Collapsed separators take one place, so the letters after them are
    // still read and spoil the match.
    const std::string spaced = "nord" + std::string(59, ' ') + "xxxxxxx";
    ASSERT_EQ(spaced.size(), 70u);
    EXPECT_EQ(tevra_palette_by_name(spaced.c_str()), &tevra_builtin_palette_default);

    const std::string letters(70, 'n');
    EXPECT_EQ(tevra_palette_by_name(letters.c_str()), &tevra_builtin_palette_default);
    const std::string huge = "nord" + std::string(1 << 16, 'Q');
    EXPECT_EQ(tevra_palette_by_name(huge.c_str()), &tevra_builtin_palette_default);
}

TEST(PaletteLookup, BytesOutsideAsciiAreComparedAsTheyAre) {
    EXPECT_EQ(tevra_palette_by_name("n\xc3\x96rd"), &tevra_builtin_palette_default);
    EXPECT_EQ(tevra_palette_by_name("nord\xff"), &tevra_builtin_palette_default);
    EXPECT_EQ(tevra_palette_by_name("\x80\x90\xa0"), &tevra_builtin_palette_default);
}

}  // namespace
