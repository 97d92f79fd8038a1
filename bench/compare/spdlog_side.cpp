// SPDX-License-Identifier: MIT
// Builds spdlog loggers that write tevra's lines: the layout of a JSON or
// console line spelt out as an spdlog pattern (the fixed parts) and an fmt
// format string (the message and fields), with the default palette's
// escapes where the line is coloured.
#include "spdlog_side.hpp"

#include "line_sink.hpp"

#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/base_sink.h>

#include <array>
#include <mutex>
#include <string_view>
#include <utility>

namespace tevra_compare {

namespace {

// Formats every line in full into a memory buffer, as spdlog's own file
// sinks do, and hands it on. spdlog's null_sink would not do: it skips the
// formatting. The mutex is the one lock per line that tevra and the floor
// take too.
class FormattingSink final : public spdlog::sinks::base_sink<std::mutex> {
  public:
    explicit FormattingSink(std::string *capture) : capture_(capture) {}

  protected:
    void sink_it_(const spdlog::details::log_msg &msg) override {
        spdlog::memory_buf_t line;
        formatter_->format(msg, line);
        size_t written;
        take_line(capture_, line.data(), line.size(), &written);
    }
    void flush_() override {}

  private:
    std::string *capture_;
};

// spdlog's levels in their order (trace, debug, info, warn, err, critical,
// off) as tevra levels.
constexpr std::array<int, 7> kTevraLevels{TEVRA_LEVEL_TRACE, TEVRA_LEVEL_DEBUG, TEVRA_LEVEL_INFO,   TEVRA_LEVEL_WARN,
                                          TEVRA_LEVEL_ERROR, TEVRA_LEVEL_FATAL, TEVRA_LEVEL_NOLEVEL};
using LevelTexts = std::array<std::string, kTevraLevels.size()>;

// The level part of a line, a ready text per level, written for the pattern
// flag %*: spdlog has neither three-letter labels nor coloured members.
class LevelFlag final : public spdlog::custom_flag_formatter {
  public:
    explicit LevelFlag(LevelTexts texts) : texts_(std::move(texts)) {}
    void format(const spdlog::details::log_msg &msg, const std::tm &, spdlog::memory_buf_t &dest) override {
        const std::string &text = texts_[static_cast<size_t>(msg.level)];
        dest.append(text.data(), text.data() + text.size());
    }
    std::unique_ptr<custom_flag_formatter> clone() const override { return std::make_unique<LevelFlag>(texts_); }

  private:
    LevelTexts texts_;
};

using Color = const char *tevra_palette::*;

template <class... Parts>
std::string cat(const Parts &...parts) {
    std::string text;
    (text.append(parts), ...);
    return text;
}

// tevra's line layout in one mode, with or without the default palette.
// Texts given to it are pattern or format text and are copied unchanged.
class Layout {
  public:
    Layout(int mode, bool color)
        : json_(mode == TEVRA_MODE_JSON), palette_(color ? tevra_palette_default() : nullptr) {}

    // Everything before the level, in the pattern's time flags (UTC).
    std::string time() const {
        if (!json_) return cat(esc(&tevra_palette::timestamp_color), "%d%H%M ");
        return cat("{", esc(&tevra_palette::key_color), "\"ts\":", esc(&tevra_palette::reset),
                   esc(&tevra_palette::timestamp_color), "\"%Y-%m-%dT%H:%M:%SZ\"", esc(&tevra_palette::reset), ",");
    }

    std::string level(int level) const {
        std::string_view color = palette_ ? tevra_level_color(palette_, level) : "";
        if (!json_) return cat(color, tevra_level_console_label(level), esc(&tevra_palette::reset));
        return cat(esc(&tevra_palette::key_color), "\"lvl\":", color, "\"", tevra_level_string(level), "\"",
                   esc(&tevra_palette::reset));
    }

    std::string message(std::string_view text) const {
        if (!json_) return cat(" ", esc(&tevra_palette::message_color), text);
        return cat(",", esc(&tevra_palette::message_key_color), "\"msg\":", esc(&tevra_palette::message_color), "\"",
                   text, "\"", esc(&tevra_palette::reset));
    }

    // A string value as it stands in the line: quoted in JSON.
    std::string string(std::string_view text) const { return json_ ? cat("\"", text, "\"") : std::string(text); }

    std::string field(std::string_view key, Color value_color, std::string_view value) const {
        if (json_)
            return cat(",", esc(&tevra_palette::key_color), "\"", key, "\":", esc(value_color), value,
                       esc(&tevra_palette::reset));
        return cat(esc(&tevra_palette::reset), " ", esc(&tevra_palette::key_color), key, "=",
                   esc(&tevra_palette::reset), esc(value_color), value);
    }

    std::string_view end() const { return json_ ? "}" : esc(&tevra_palette::reset); }

  private:
    // A palette member, or nothing when the line is plain.
    std::string_view esc(Color member) const { return palette_ && palette_->*member ? palette_->*member : ""; }

    bool json_;
    const tevra_palette *palette_;
};

// The message and the five fields, as an fmt format string. fmt's shortest
// form of 0.75 is tevra's "%.17g" text, and the fastest a spdlog user could
// ask for; values with seventeen digits need fmt's "%.17g" twin to print alike.
std::string event_payload(const Layout &layout, Double ratio) {
    std::string_view double_spec = ratio == Double::same ? "{}" : "{:.17g}";
    return cat(layout.message("{}"), layout.field("user", &tevra_palette::string_color, layout.string("{}")),
               layout.field("status", &tevra_palette::number_color, "{}"),
               layout.field("ratio", &tevra_palette::number_color, double_spec),
               layout.field("cached", &tevra_palette::bool_color, "{}"),
               layout.field("path", &tevra_palette::string_color, layout.string("{}")));
}

// The bound fields, rendered once into the pattern.
std::string bound_text(const Layout &layout) {
    std::string text;
    for (const BoundField &f : kBound)
        text += f.text ? layout.field(f.key, &tevra_palette::string_color, layout.string(f.text))
                       : layout.field(f.key, &tevra_palette::number_color, std::to_string(f.number));
    return text;
}

}  // namespace

SpdlogSide::SpdlogSide(const Case &c, std::string *capture) {
    Layout layout(c.mode, c.color);
    payload_ = event_payload(layout, c.ratio);
    std::string body = c.call == Call::message_only ? cat(layout.message("%v"), bound_text(layout)) : "%v";
    LevelTexts levels;
    for (size_t i = 0; i < levels.size(); ++i) levels[i] = layout.level(kTevraLevels[i]);

    auto formatter = std::make_unique<spdlog::pattern_formatter>(spdlog::pattern_time_type::utc, "\n");
    formatter->add_flag<LevelFlag>('*', std::move(levels)).set_pattern(cat(layout.time(), "%*", body, layout.end()));
    auto sink = std::make_shared<FormattingSink>(capture);
    sink->set_formatter(std::move(formatter));
    // Constructed directly, the logger stays out of spdlog's registry; it
    // formats on the calling thread and never flushes per line.
    log_ = std::make_shared<spdlog::logger>("compare", std::move(sink));
    log_->set_level(spdlog::level::info);
}

}  // namespace tevra_compare
