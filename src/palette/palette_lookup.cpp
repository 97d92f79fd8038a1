// SPDX-License-Identifier: MIT
// Palette lookup by a forgiving name, as typed into an environment variable:
// case, spaces, underscores, repeated separators and a "palette" prefix do
// not matter, and a few spellings without separators are accepted as aliases.
#include <array>
#include <cstddef>
#include <string_view>

#include "palette/palette.hpp"
#include "palette/palette_table.hpp"
#include "text/ascii_case.hpp"

namespace tev {
namespace {

struct PaletteAlias {
    std::string_view alias;
    std::string_view canonical;
};

// Separator-free spellings of hyphenated names, and the "doom" theme
// family's names for the palettes they were modelled on.
constexpr std::array<PaletteAlias, 31> palette_aliases = {{
    {"ayulight", "ayu-light"},
    {"ayumirage", "ayu-mirage"},
    {"catppuccinmocha", "catppuccin-mocha"},
    {"doom-dracula", "dracula"},
    {"doom-gruvbox", "gruvbox"},
    {"doom-iosvkem", "iosvkem"},
    {"doom-nord", "nord"},
    {"doomdracula", "dracula"},
    {"doomgruvbox", "gruvbox"},
    {"doomiosvkem", "iosvkem"},
    {"doomnord", "nord"},
    {"everforestlight", "everforest-light"},
    {"githubdark", "github-dark"},
    {"githublight", "github-light"},
    {"gruvboxlight", "gruvbox-light"},
    {"monokaivibrant", "monokai-vibrant"},
    {"nightowl", "night-owl"},
    {"oceanicnext", "oceanic-next"},
    {"onedark", "one-dark"},
    {"onedarkaurora", "one-dark-aurora"},
    {"onelight", "one-light"},
    {"outrunelectric", "outrun-electric"},
    {"papercolordark", "papercolor-dark"},
    {"papercolorlight", "papercolor-light"},
    {"rosepine", "rose-pine"},
    {"rosepinedawn", "rose-pine-dawn"},
    {"solarizeddark", "solarized-dark"},
    {"solarizedlight", "solarized-light"},
    {"solarizednightfall", "solarized-nightfall"},
    {"synthwave84", "synthwave-84"},
    {"tokyonight", "tokyo-night"},
}};
static_assert(palette_aliases.size() == 31);

// The work area holds at most this many normalised characters; the rest of
// a longer name is ignored.
constexpr size_t kMaxNameChars = 63;

// Lowercases by the fixed ASCII rule (every palette name is ASCII, and the
// result must not depend on the process's locale), maps ' ' and '_' to '-',
// collapses runs of '-' and drops trailing ones. `out` must hold
// kMaxNameChars bytes; returns the length.
constexpr size_t normalise(const char *name, char *out) {
    size_t n = 0;
    for (const char *p = name; *p != '\0' && n < kMaxNameChars; ++p) {
        char c = ascii_lower(*p);
        if (c == ' ' || c == '_') c = '-';
        if (c == '-' && n > 0 && out[n - 1] == '-') continue;
        out[n++] = c;
    }
    while (n > 0 && out[n - 1] == '-') --n;
    return n;
}

// "palette-nord", "palette nord" and "palettenord" all mean "nord".
constexpr std::string_view strip_palette_prefix(std::string_view text) {
    if (text.starts_with("palette-")) {
        text.remove_prefix(8);
    } else if (text.starts_with("palette")) {
        text.remove_prefix(7);
        while (!text.empty() && text[0] == '-') text.remove_prefix(1);
    }
    return text;
}

constexpr std::string_view resolve_alias(std::string_view text) {
    for (const PaletteAlias &a : palette_aliases) {
        if (a.alias == text) return a.canonical;
    }
    return text;
}

constexpr const tevra_palette *kDefault = &tevra_builtin_palette_default;

}  // namespace

const tevra_palette *default_palette() { return kDefault; }

const tevra_palette *palette_by_name(const char *name) {
    char work[kMaxNameChars + 1];
    const size_t len = normalise(name != nullptr ? name : "", work);
    const std::string_view text = resolve_alias(strip_palette_prefix({work, len}));
    if (text.empty()) return kDefault;
    for (const PaletteEntry &e : palette_entries) {
        if (e.name == text) return e.palette;
    }
    return kDefault;
}

}  // namespace tev

extern "C" {

const tevra_palette *tevra_palette_default(void) { return tev::default_palette(); }

const tevra_palette *tevra_palette_by_name(const char *name) { return tev::palette_by_name(name); }

size_t tevra_palette_count(void) { return tev::palette_entries.size(); }

const char *tevra_palette_name(unsigned index) {
    if (index >= tev::palette_entries.size()) return nullptr;
    return tev::palette_entries[index].name.data();
}

}  // extern "C"
