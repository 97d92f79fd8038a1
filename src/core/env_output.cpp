// SPDX-License-Identifier: MIT
// The OUTPUT destination of configuration from the environment: a standard
// stream, a file opened for appending, syslog or the journal, or a tee of a
// stream (or of the output the configuration already had) and one of those.
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "core/env.hpp"
#include "output/output.hpp"
#include "text/ascii_case.hpp"

namespace tev {
namespace {

// Paths are opened from a NUL-terminated copy of this size.
constexpr size_t kPathBuffer = 512;

enum class Keyword { kNone, kDefault, kStdout, kStderr };

struct Destination {
    Keyword keyword;        // kNone: the whole value is a path
    std::string_view path;  // empty: the keyword alone
};

std::string_view trim_view(std::string_view v) {
    while (!v.empty() && std::isspace(static_cast<unsigned char>(v.front()))) v.remove_prefix(1);
    while (!v.empty() && std::isspace(static_cast<unsigned char>(v.back()))) v.remove_suffix(1);
    return v;
}

// "stdout", "stderr", "default", each alone or followed by "+" and a path;
// anything else, "stdoutx" included, is a path of its own.
Destination classify(std::string_view value) {
    constexpr struct {
        std::string_view word;
        Keyword keyword;
    } kWords[] = {{"default", Keyword::kDefault},
                  {"stdout", Keyword::kStdout},
                  {"stderr", Keyword::kStderr}};
    for (const auto &w : kWords) {
        if (value.size() < w.word.size()) continue;
        std::string_view head(value.data(), w.word.size());
        if (!equals_ascii_fold(head, w.word)) continue;
        if (value.size() == w.word.size()) return {w.keyword, {}};
        if (value[w.word.size()] != '+') continue;
        std::string_view rest(value.data() + w.word.size() + 1, value.size() - w.word.size() - 1);
        return {w.keyword, trim_view(rest)};
    }
    return {Keyword::kNone, value};
}

// Appends, never truncates, and creates with exactly the configured bits
// (before the umask); rotates as OUTPUT_MAX_SIZE and OUTPUT_ROTATE say.
[[nodiscard]] int open_file(std::string_view path, const OutputOptions &options, tevra_output *out) {
    if (path.size() >= kPathBuffer) return ENAMETOOLONG;
    char name[kPathBuffer];
    std::memcpy(name, path.data(), path.size());
    name[path.size()] = '\0';
    return open_output_file(name, options, out);
}

tevra_output stream_output(FILE *stream) {
    tevra_output out{};
    output_from_fp(&out, stream, false);
    return out;
}

[[nodiscard]] int make_tee(const tevra_output &first, tevra_output *file, tevra_output *out) {
    auto *tee = static_cast<tevra_tee *>(tevra_malloc_internal(sizeof(tevra_tee)));
    if (tee == nullptr) {
        output_destroy(file);
        return -1;
    }
    tee->first = first;
    tee->second = *file;
    *out = tevra_output{tevra_tee_write, tevra_tee_close, tevra_tee_isatty, tee, 1};
    return 0;
}

// Whether `out`, or an output inside it through tees, writes with the same
// operation to the same stream or descriptor as `leaf`.
bool writes_through(const tevra_output &out, const tevra_output &leaf) {
    return any_through_tees(&out, [&leaf](const tevra_output &o) {
        return o.write == leaf.write && o.user_data == leaf.user_data;
    });
}

// Releases the previous output, except every part of it the new output still
// writes through: it may be the new output itself, live on as half of the
// new tee, or be an owned standard stream that "stdout" now borrows, which
// must not be closed under the logger. An owned tee is taken apart so that
// the rest of it is still released.
void release_previous(tevra_output *previous, const tevra_output &next) {
    if (writes_through(next, *previous)) return;
    if (previous->write == &tevra_tee_write && previous->close == &tevra_tee_close &&
        previous->owns != 0 && previous->user_data != nullptr) {
        auto *tee = static_cast<tevra_tee *>(previous->user_data);
        release_previous(&tee->first, next);
        release_previous(&tee->second, next);
        // What tevra_tee_close would free after closing its halves.
        tevra_free_internal(tee);
        *previous = tevra_output{};
        return;
    }
    output_destroy(previous);
}

}  // namespace

OutputOutcome apply_output(tevra_config *cfg, std::string_view value, const OutputOptions &options) {
    tevra_output previous = cfg->output;
    cfg->output = tevra_output{};
    const Destination dest = classify(value);

    tevra_output next{};
    int rc = 0;
    if (dest.path.empty()) {
        switch (dest.keyword) {
            case Keyword::kStdout: next = stream_output(stdout); break;
            case Keyword::kStderr: next = stream_output(stderr); break;
            default: next = previous; break;
        }
    } else {
        tevra_output file{};
        rc = is_service_output(dest.path) ? open_service_output(dest.path, options, &file)
                                          : open_file(dest.path, options, &file);
        if (rc == 0) {
            switch (dest.keyword) {
                case Keyword::kNone: next = file; break;
                case Keyword::kStdout: rc = make_tee(stream_output(stdout), &file, &next); break;
                case Keyword::kStderr: rc = make_tee(stream_output(stderr), &file, &next); break;
                case Keyword::kDefault: rc = make_tee(previous, &file, &next); break;
            }
        }
    }
    if (rc != 0) {
        cfg->output = previous;
        return {true, rc};
    }
    cfg->output = next;
    release_previous(&previous, next);
    return {false, 0};
}

}  // namespace tev
