// SPDX-License-Identifier: MIT
// A logger configured from environment variables laid over a base
// configuration. Problems in the environment never prevent the logger: it
// is built from what was usable and then reports each problem through
// itself as an error line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/config.hpp"
#include "core/core.hpp"
#include "core/env.hpp"
#include "palette/palette.hpp"
#include "text/fields.hpp"

namespace tev {
namespace {

// Variable names (prefix, key, NUL) are built in this many bytes; a longer
// name is not looked up at all.
constexpr size_t kNameBuffer = 128;
constexpr size_t kWordBuffer = 16;
constexpr size_t kPaletteBuffer = 64;
constexpr size_t kFileModeBuffer = 32;
constexpr size_t kOutputBuffer = 512;
constexpr size_t kMessageBuffer = 256;

class Environment {
  public:
    explicit Environment(const char *prefix)
        : prefix_(prefix != nullptr && prefix[0] != '\0' ? prefix : "LOG_") {}

    // The variable's value, or NULL when it is unset or its name too long.
    const char *get(std::string_view key) const {
        char name[kNameBuffer];
        const size_t p = std::strlen(prefix_);
        if (p + key.size() + 1 > sizeof name) return nullptr;
        std::memcpy(name, prefix_, p);
        std::memcpy(name + p, key.data(), key.size());
        name[p + key.size()] = '\0';
        return std::getenv(name);
    }

    bool boolean(std::string_view key, int *value) const {
        const char *text = get(key);
        return text != nullptr && value != nullptr && parse_bool(text, value) != 0;
    }

  private:
    const char *prefix_;
};

// Copies at most size - 1 bytes of a view, NUL-terminated.
void cut_copy(char *dst, size_t size, std::string_view text) {
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    if (n != 0) std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
}

struct Problems {
    bool file_mode_invalid = false;
    char file_mode_text[kFileModeBuffer] = {};
    bool output_failed = false;
    int output_error = 0;
    char output_text[kOutputBuffer] = {};
};

void apply_mode(const Environment &env, tevra_config *cfg) {
    const char *text = env.get("MODE");
    if (text == nullptr) return;
    char word[kWordBuffer];
    std::string_view mode(trim_lower_copy(word, sizeof word, text));
    if (mode == "json" || mode == "structured") cfg->mode = TEVRA_MODE_JSON;
    if (mode == "console") cfg->mode = TEVRA_MODE_CONSOLE;
}

void apply_colour(const Environment &env, tevra_config *cfg) {
    int value = 0;
    if (env.boolean("NO_COLOR", &value) && value) cfg->color = TEVRA_COLOR_NEVER;
    // Never, from NO_COLOR or from the base, wins over FORCE_COLOR.
    if (env.boolean("FORCE_COLOR", &value) && value && cfg->color != TEVRA_COLOR_NEVER) {
        cfg->color = TEVRA_COLOR_ALWAYS;
    }
    // The conventions every terminal program shares, unprefixed: NO_COLOR
    // with any value, or a terminal that cannot show colour, turns automatic
    // colour off. A colour asked for explicitly (FORCE_COLOR, or a base
    // configuration that says always) is kept.
    const char *no_color = std::getenv("NO_COLOR");
    const char *term = std::getenv("TERM");
    const bool declined = (no_color != nullptr && no_color[0] != '\0') ||
                          (term != nullptr && std::strcmp(term, "dumb") == 0);
    if (declined && cfg->color != TEVRA_COLOR_ALWAYS) cfg->color = TEVRA_COLOR_NEVER;
}

void apply_palette(const Environment &env, tevra_config *cfg) {
    std::string_view name = trimmed(env.get("PALETTE"));
    if (name.empty()) return;
    char text[kPaletteBuffer];
    cut_copy(text, sizeof text, name);
    cfg->palette = palette_by_name(text);
}

// Bigger lines reach the output in one write, and so stay whole on a file
// other processes append to as well.
void apply_buffer_size(const Environment &env, tevra_config *cfg) {
    size_t size = 0;
    if (parse_buffer_size(trimmed(env.get("BUFFER_SIZE")), &size)) cfg->buffer_size = size;
}

unsigned file_mode(const Environment &env, Problems *problems) {
    std::string_view text = trimmed(env.get("OUTPUT_FILE_MODE"));
    if (text.empty()) return kDefaultFileMode;
    unsigned bits = kDefaultFileMode;
    // A value too long for its buffer is refused whole rather than cut:
    // a cut value could read as other, valid, bits.
    if (text.size() < kFileModeBuffer && parse_file_mode(text, &bits)) return bits;
    problems->file_mode_invalid = true;
    cut_copy(problems->file_mode_text, sizeof problems->file_mode_text, text);
    return kDefaultFileMode;
}

void apply_output_value(const Environment &env, tevra_config *cfg, unsigned bits,
                        Problems *problems) {
    std::string_view value = trimmed(env.get("OUTPUT"));
    if (value.empty()) return;
    const OutputOptions options{bits,
                                env.get("SYSLOG_IDENT"),
                                env.get("SYSLOG_FACILITY"),
                                env.get("OUTPUT_MAX_SIZE"),
                                env.get("OUTPUT_ROTATE"),
                                env.get("OUTPUT_MAX_FILES")};
    const OutputOutcome outcome = apply_output(cfg, value, options);
    if (!outcome.failed) return;
    problems->output_failed = true;
    problems->output_error = outcome.error;
    cut_copy(problems->output_text, sizeof problems->output_text, value);
}

void report(tevra_logger *log, const Problems &problems) {
    if (problems.file_mode_invalid) {
        char message[kMessageBuffer];
        std::snprintf(message, sizeof message,
                      "invalid OUTPUT_FILE_MODE \"%s\" "
                      "(expected octal permissions in range 0000-0777)",
                      problems.file_mode_text);
        const tevra_field fields[] = {str_field("error", message),
                                      str_field("output_file_mode", problems.file_mode_text)};
        log->error(log, "logger.output.file_mode.invalid", fields, 2);
    }
    if (problems.output_failed) {
        char message[kMessageBuffer];
        const char *text = "failed to initialize output";
        if (problems.output_error > 0) {
            text = errno_string(problems.output_error, message, sizeof message);
        }
        const tevra_field fields[] = {str_field("error", text),
                                      str_field("output", problems.output_text)};
        log->error(log, "logger.output.open.failed", fields, 2);
    }
}

}  // namespace

tevra_logger *new_from_env(const char *prefix, const tevra_config *base) {
    const Environment env(prefix);
    tevra_config cfg = effective_config(base);
    Problems problems;

    if (const char *text = env.get("LEVEL")) parse_level(text, &cfg.level);
    apply_mode(env, &cfg);
    // Used as given, spaces and all: a strftime pattern may mean them.
    if (const char *text = env.get("TIME_FORMAT"); text != nullptr && text[0] != '\0') {
        cfg.time_format = text;
    }
    int value = 0;
    if (env.boolean("DISABLE_TIMESTAMP", &value)) cfg.timestamps = value ? 0 : 1;
    if (env.boolean("VERBOSE_FIELDS", &value)) cfg.verbose_fields = value;
    if (env.boolean("UTC", &value)) cfg.utc = value;
    apply_colour(env, &cfg);
    apply_palette(env, &cfg);
    apply_buffer_size(env, &cfg);
    const unsigned bits = file_mode(env, &problems);
    apply_output_value(env, &cfg, bits, &problems);

    tevra_logger *log = new_logger(&cfg);
    // A failed tevra_new has closed the owned output, and with it whatever
    // was built here for OUTPUT: the tee, the descriptor and its cell.
    if (log == nullptr) return nullptr;
    report(log, problems);
    return log;
}

}  // namespace tev

extern "C" tevra_logger *tevra_new_from_env(const char *prefix, const tevra_config *base) {
    return tev::new_from_env(prefix, base);
}
