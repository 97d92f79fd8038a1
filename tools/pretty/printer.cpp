// SPDX-License-Identifier: MIT
// The console line of a JSON event comes from the library's own console
// encoder. The logger writes no timestamp of its own (its clock would show
// the present); this file writes the event's time text in the place and
// colour the console encoder gives a timestamp, and the logger writes the
// rest of the line straight after it.
#include "pretty/printer.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/number_token.hpp"
#include "pretty/event.hpp"
#include "pretty/time_parse.hpp"

namespace tevra_pretty {
namespace {

int stdout_write(void *, const void *data, size_t len, size_t *written) {
    const size_t n = std::fwrite(data, 1, len, stdout);
    if (written != nullptr) *written = n;
    return n == len ? 0 : (errno != 0 ? errno : 5);
}

bool env_bool(const char *name) {
    const char *text = std::getenv(name);
    int value = 0;
    return text != nullptr && tevra_parse_bool_value(text, &value) && value != 0;
}

const tevra_palette *choose_palette(const Options &opts) {
    if (opts.palette_set) return tevra_palette_by_name(opts.palette.c_str());
    return tevra_palette_by_name(std::getenv("LOG_PALETTE"));
}

void put(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

// The value of one member as the field a program would have logged.
tevra_field field_of(const JsonMember &m) {
    using Kind = JsonMember::Kind;
    const char *key = m.key.c_str();
    switch (m.kind) {
        case Kind::Number: return tevra_tools::number_field(key, m.text);
        case Kind::True: return tevra_bool(key, 1);
        case Kind::False: return tevra_bool(key, 0);
        case Kind::Null: return tevra_null(key);
        case Kind::String:
        case Kind::Nested: break;
    }
    return tevra_str(key, m.text.c_str());
}

}  // namespace

bool decide_color(Options::Color policy) {
    if (policy == Options::Color::Always) return true;
    if (policy == Options::Color::Never) return false;
    // The same conventions as tevra_new_from_env with the LOG_ prefix.
    if (env_bool("LOG_NO_COLOR")) return false;
    if (env_bool("LOG_FORCE_COLOR")) return true;
    const char *no_color = std::getenv("NO_COLOR");
    const char *term = std::getenv("TERM");
    if ((no_color != nullptr && no_color[0] != '\0') || (term != nullptr && std::strcmp(term, "dumb") == 0)) {
        return false;
    }
    return isatty(STDOUT_FILENO) != 0;
}

Printer::Printer(const Options &opts) {
    palette_ = choose_palette(opts);
    color_ = decide_color(opts.color);
    reformat_time_ = !opts.time_format.empty();

    tevra_config cfg;
    tevra_default_config(&cfg);
    cfg.mode = TEVRA_MODE_CONSOLE;
    cfg.color = color_ ? TEVRA_COLOR_ALWAYS : TEVRA_COLOR_NEVER;
    cfg.timestamps = 0;
    cfg.level = opts.min_level;
    cfg.palette = palette_;
    // The layout is used only to reformat event times (write_time).
    cfg.time_format = reformat_time_ ? opts.time_format.c_str() : nullptr;
    cfg.utc = opts.utc || env_bool("LOG_UTC");
    cfg.output = tevra_output{};
    cfg.output.write = stdout_write;
    log_ = tevra_new(&cfg);
}

Printer::~Printer() {
    if (log_ != nullptr) log_->destroy(log_);
}

void Printer::line(std::string_view text, bool newline) {
    bool parsed = parse_json_object(text, &members_);
    // Coloured JSON lines carry escapes only outside strings, where JSON
    // allows none; without them the line may read as plain JSON.
    if (!parsed && text.find('\x1b') != std::string_view::npos) {
        parsed = parse_json_object(strip_ansi(text), &members_);
    }
    if (!parsed) {
        put(text);
        if (newline) put("\n");
        return;
    }
    event(members_);
}

void Printer::event(const std::vector<JsonMember> &members) {
    const Event e = classify(members);
    // The library's own filter, asked before anything of the line is written.
    if (!tevra_should_log(log_->state, e.level)) return;

    std::vector<tevra_field> fields;
    fields.reserve(e.fields.size());
    for (const JsonMember *m : e.fields) fields.push_back(field_of(*m));

    if (e.time != nullptr) write_time(*e.time);
    tevra_fields(log_, e.level, e.message != nullptr ? e.message->text.c_str() : nullptr,
                 fields.data(), fields.size());
}

void Printer::write_time(const JsonMember &time) {
    std::string_view text = time.text;
    char rendered[64];
    if (reformat_time_) {
        int64_t sec = 0;
        long nsec = 0;
        if (parse_time(text, time.kind == JsonMember::Kind::Number, &sec, &nsec)) {
            const size_t n = tevra_render_timestamp_value(log_->state->shared, sec, nsec, rendered);
            if (n != 0) text = std::string_view(rendered, n);
        }
    }
    // As the console encoder writes a timestamp: its colour when colour is
    // on and the palette has one, the text, a space, and no reset (the
    // level label's colour follows).
    if (color_ && palette_->timestamp_color != nullptr) put(palette_->timestamp_color);
    put(text);
    put(" ");
}

}  // namespace tevra_pretty
