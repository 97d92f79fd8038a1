// SPDX-License-Identifier: MIT
// The 32 built-in palettes as read-only exported objects, and the table of
// them by name. Every escape string is built at compile time from its
// 256-colour number, so the rows below read as plain colour numbers.
#include <array>
#include <cstddef>
#include <string_view>

#include "palette/palette_table.hpp"

namespace tev {
namespace {

// A cell is a 256-colour number, optionally marked bold with b().
constexpr int kBold = 1 << 8;
constexpr int b(int colour) { return colour | kBold; }

constexpr bool valid_cell(int cell) { return cell >= 0 && (cell & ~kBold) <= 255; }

// "\x1b[1;38;5;255m" is the longest form: 13 bytes and the NUL.
struct EscapeText {
    char text[16];
};

constexpr EscapeText make_escape(int cell) {
    EscapeText e{};
    const std::string_view head = (cell & kBold) != 0 ? "\x1b[1;38;5;" : "\x1b[38;5;";
    size_t n = 0;
    for (char c : head) e.text[n++] = c;
    const int colour = cell & ~kBold;
    if (colour >= 100) e.text[n++] = static_cast<char>('0' + colour / 100);
    if (colour >= 10) e.text[n++] = static_cast<char>('0' + colour / 10 % 10);
    e.text[n++] = static_cast<char>('0' + colour % 10);
    e.text[n] = 'm';
    return e;
}

static_assert(std::string_view(make_escape(7).text) == "\x1b[38;5;7m");
static_assert(std::string_view(make_escape(b(42)).text) == "\x1b[1;38;5;42m");
static_assert(std::string_view(make_escape(b(255)).text) == "\x1b[1;38;5;255m");

// One static string per distinct cell, shared by every palette that uses it.
template <int Cell>
constexpr EscapeText kEscape = make_escape(Cell);

constexpr const char *kReset = "\x1b[0m";

// Cells in slot order, key_color .. message_key_color; reset is common.
template <int... Cells>
constexpr tevra_palette make_palette() {
    static_assert(sizeof...(Cells) == 15, "one cell for every colour role but reset");
    static_assert((valid_cell(Cells) && ...), "a cell is a colour 0..255, optionally bold");
    const char *const s[16] = {kEscape<Cells>.text..., kReset};
    return {s[0], s[1], s[2],  s[3],  s[4],  s[5],  s[6],  s[7],
            s[8], s[9], s[10], s[11], s[12], s[13], s[14], s[15]};
}

}  // namespace
}  // namespace tev

using tev::b;
using tev::make_palette;

// The one palette in the terminal's own 16 colours, for terminals without
// 256-colour support.
extern "C" constinit const tevra_palette tevra_builtin_palette_default = {
    "\x1b[36m",   "\x1b[1;34m", "\x1b[35m",   "\x1b[33m", "\x1b[90m", "\x1b[34m",
    "\x1b[32m",   "\x1b[1;32m", "\x1b[1;33m", "\x1b[1;31m", "\x1b[1;31m", "\x1b[1;31m",
    "\x1b[90m",   "\x1b[1m",    "\x1b[36m",   "\x1b[0m",
};

// Columns: key, string, number, bool, null, trace, debug, info, warn, error,
// fatal, panic, timestamp, message, message key.
#define TEVRA_PALETTE(object, ...) \
    extern "C" constinit const tevra_palette object = make_palette<__VA_ARGS__>()

TEVRA_PALETTE(tevra_builtin_palette_ayu_light, b(136), b(109), 66, 109, 243, 66, 109, b(130), 173, b(173), b(173), b(173), 109, b(130), 109);
TEVRA_PALETTE(tevra_builtin_palette_ayu_mirage, b(214), b(179), 110, 109, 239, 66, 110, b(214), 173, b(173), b(173), b(173), 109, b(215), 179);
TEVRA_PALETTE(tevra_builtin_palette_catppuccin_mocha, 217, 183, 147, 152, 244, 104, 109, 150, 216, 211, 205, 204, 110, b(223), 182);
TEVRA_PALETTE(tevra_builtin_palette_dracula, 219, 141, 111, 81, 240, 60, 98, 117, 219, 204, 198, 199, 95, b(225), 147);
TEVRA_PALETTE(tevra_builtin_palette_everforest, b(143), b(108), 108, 142, 239, 66, 109, b(143), 109, b(179), b(179), b(179), 109, b(223), 108);
TEVRA_PALETTE(tevra_builtin_palette_everforest_light, b(136), b(108), 66, 109, 243, 66, 109, b(136), 137, b(173), b(173), b(173), 109, b(130), 108);
TEVRA_PALETTE(tevra_builtin_palette_github_dark, b(111), b(109), 110, 109, 239, 67, 109, b(111), 179, b(203), b(203), b(203), 109, b(189), 109);
TEVRA_PALETTE(tevra_builtin_palette_github_light, b(27), b(61), 67, 109, 244, 67, 61, b(24), 130, b(130), b(130), b(130), 109, b(24), 61);
TEVRA_PALETTE(tevra_builtin_palette_gruvbox, 214, 178, 108, 142, 101, 66, 72, 107, 208, 167, 160, 161, 137, b(221), 172);
TEVRA_PALETTE(tevra_builtin_palette_gruvbox_light, 130, 108, 66, 142, 180, 109, 114, 73, 173, 167, 161, 125, 180, b(223), 136);
TEVRA_PALETTE(tevra_builtin_palette_horizon, b(214), b(203), 209, 141, 239, 167, 209, b(214), 110, b(203), b(203), b(203), 110, b(222), 203);
TEVRA_PALETTE(tevra_builtin_palette_iosvkem, 222, 216, 109, 151, 244, 66, 72, 114, 208, 203, 197, 199, 242, b(223), 67);
TEVRA_PALETTE(tevra_builtin_palette_kanagawa, b(215), b(179), 150, 109, 240, 66, 109, b(216), 110, b(181), b(181), b(181), 109, b(223), 173);
TEVRA_PALETTE(tevra_builtin_palette_monokai_vibrant, 229, 121, 198, 118, 59, 104, 114, 121, 215, 197, 161, 201, 103, b(229), 141);
TEVRA_PALETTE(tevra_builtin_palette_night_owl, b(111), b(75), 110, 81, 244, 67, 74, b(117), 179, b(204), b(204), b(204), 109, b(117), 75);
TEVRA_PALETTE(tevra_builtin_palette_nord, 153, 152, 109, 115, 245, 67, 74, 117, 179, 210, 204, 205, 109, b(195), 110);
TEVRA_PALETTE(tevra_builtin_palette_oceanic_next, b(110), b(75), 109, 110, 239, 67, 75, b(110), 179, b(203), b(203), b(203), 109, b(189), 75);
TEVRA_PALETTE(tevra_builtin_palette_one_dark, b(110), b(147), 141, 115, 239, 67, 75, b(75), 178, b(203), b(203), b(203), 109, b(189), 75);
TEVRA_PALETTE(tevra_builtin_palette_one_dark_aurora, 110, 147, 141, 115, 59, 24, 31, 38, 178, 203, 197, 199, 109, b(189), 75);
TEVRA_PALETTE(tevra_builtin_palette_one_light, b(33), b(97), 67, 109, 243, 66, 109, b(130), 137, b(167), b(167), b(167), 109, b(130), 67);
TEVRA_PALETTE(tevra_builtin_palette_outrun_electric, 201, 81, 99, 69, 60, 33, 39, 45, 129, 205, 206, 213, 117, b(219), 33);
TEVRA_PALETTE(tevra_builtin_palette_palenight, b(147), b(141), 110, 109, 239, 67, 110, b(147), 179, b(203), b(203), b(203), 109, b(189), 141);
TEVRA_PALETTE(tevra_builtin_palette_papercolor_dark, b(109), b(110), 110, 109, 239, 67, 110, b(109), 179, b(203), b(203), b(203), 109, b(223), 110);
TEVRA_PALETTE(tevra_builtin_palette_papercolor_light, b(33), b(64), 67, 109, 244, 67, 61, b(130), 136, b(166), b(166), b(166), 109, b(130), 64);
TEVRA_PALETTE(tevra_builtin_palette_rose_pine, b(217), b(180), 146, 110, 244, 104, 110, b(217), 117, b(210), b(210), b(210), 110, b(223), 146);
TEVRA_PALETTE(tevra_builtin_palette_rose_pine_dawn, b(173), b(137), 108, 66, 244, 66, 109, b(173), 109, b(131), b(131), b(131), 109, b(180), 137);
TEVRA_PALETTE(tevra_builtin_palette_solarized_dark, b(64), b(37), 33, 130, 240, 33, 37, b(136), 166, b(166), b(166), b(166), 109, b(230), 64);
TEVRA_PALETTE(tevra_builtin_palette_solarized_light, b(64), b(37), 33, 130, 244, 33, 37, b(136), 166, b(166), b(166), b(166), 109, b(136), 64);
TEVRA_PALETTE(tevra_builtin_palette_solarized_nightfall, 37, 86, 61, 65, 239, 24, 30, 36, 136, 160, 166, 161, 244, b(230), 33);
TEVRA_PALETTE(tevra_builtin_palette_synthwave_84, 198, 51, 207, 219, 102, 63, 69, 81, 220, 205, 200, 201, 69, b(219), 45);
TEVRA_PALETTE(tevra_builtin_palette_tokyo_night, 69, 110, 176, 117, 244, 63, 67, 111, 173, 210, 205, 219, 109, b(218), 74);

#undef TEVRA_PALETTE

namespace tev {

constexpr std::array<PaletteEntry, kPaletteCount> palette_entries = {{
    {"ayu-light", &tevra_builtin_palette_ayu_light},
    {"ayu-mirage", &tevra_builtin_palette_ayu_mirage},
    {"catppuccin-mocha", &tevra_builtin_palette_catppuccin_mocha},
    {"default", &tevra_builtin_palette_default},
    {"dracula", &tevra_builtin_palette_dracula},
    {"everforest", &tevra_builtin_palette_everforest},
    {"everforest-light", &tevra_builtin_palette_everforest_light},
    {"github-dark", &tevra_builtin_palette_github_dark},
    {"github-light", &tevra_builtin_palette_github_light},
    {"gruvbox", &tevra_builtin_palette_gruvbox},
    {"gruvbox-light", &tevra_builtin_palette_gruvbox_light},
    {"horizon", &tevra_builtin_palette_horizon},
    {"iosvkem", &tevra_builtin_palette_iosvkem},
    {"kanagawa", &tevra_builtin_palette_kanagawa},
    {"monokai-vibrant", &tevra_builtin_palette_monokai_vibrant},
    {"night-owl", &tevra_builtin_palette_night_owl},
    {"nord", &tevra_builtin_palette_nord},
    {"oceanic-next", &tevra_builtin_palette_oceanic_next},
    {"one-dark", &tevra_builtin_palette_one_dark},
    {"one-dark-aurora", &tevra_builtin_palette_one_dark_aurora},
    {"one-light", &tevra_builtin_palette_one_light},
    {"outrun-electric", &tevra_builtin_palette_outrun_electric},
    {"palenight", &tevra_builtin_palette_palenight},
    {"papercolor-dark", &tevra_builtin_palette_papercolor_dark},
    {"papercolor-light", &tevra_builtin_palette_papercolor_light},
    {"rose-pine", &tevra_builtin_palette_rose_pine},
    {"rose-pine-dawn", &tevra_builtin_palette_rose_pine_dawn},
    {"solarized-dark", &tevra_builtin_palette_solarized_dark},
    {"solarized-light", &tevra_builtin_palette_solarized_light},
    {"solarized-nightfall", &tevra_builtin_palette_solarized_nightfall},
    {"synthwave-84", &tevra_builtin_palette_synthwave_84},
    {"tokyo-night", &tevra_builtin_palette_tokyo_night},
}};

namespace {

// Name lookup stops at the first equal name and tevra_palette_name() is
// documented as alphabetical, so the order is checked where it is written.
constexpr bool sorted_and_distinct() {
    for (size_t i = 1; i < palette_entries.size(); ++i) {
        if (!(palette_entries[i - 1].name < palette_entries[i].name)) return false;
        for (size_t j = 0; j < i; ++j) {
            if (palette_entries[j].palette == palette_entries[i].palette) return false;
        }
    }
    return true;
}

static_assert(palette_entries.size() == 32);
static_assert(sorted_and_distinct(), "names sorted byte-wise, one entry per palette");
static_assert(palette_entries[3].name == "default");
static_assert(palette_entries[31].name == "tokyo-night");

}  // namespace
}  // namespace tev
