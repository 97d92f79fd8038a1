// SPDX-License-Identifier: MIT
// The file an OUTPUT value names, with the rotation settings of the
// environment: OUTPUT_MAX_SIZE (bytes, K, M or G in powers of 1024),
// OUTPUT_ROTATE (hourly, daily) and OUTPUT_MAX_FILES (default 5).
#include <cerrno>
#include <cstdint>

#include "core/env.hpp"
#include "output/output.hpp"
#include "output/path_file.hpp"

namespace tev {
namespace {

constexpr unsigned kDefaultMaxFiles = 5;
constexpr size_t kWordBuffer = 32;

[[nodiscard]] bool parse_count(std::string_view text, uint64_t *value) {
    if (text.empty()) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const auto digit = static_cast<uint64_t>(c - '0');
        if (v > (UINT64_MAX - digit) / 10) return false;
        v = v * 10 + digit;
    }
    *value = v;
    return true;
}

[[nodiscard]] bool parse_size(std::string_view text, uint64_t *bytes) {
    unsigned shift = 0;
    if (!text.empty()) {
        switch (text.back()) {
            case 'k': case 'K': shift = 10; break;
            case 'm': case 'M': shift = 20; break;
            case 'g': case 'G': shift = 30; break;
            default: break;
        }
        if (shift != 0) text.remove_suffix(1);
    }
    uint64_t v = 0;
    if (!parse_count(text, &v) || v > (UINT64_MAX >> shift)) return false;
    *bytes = v << shift;
    return true;
}

[[nodiscard]] bool parse_period(const char *text, int *every) {
    char word[kWordBuffer];
    trim_lower_copy(word, sizeof word, text);
    const std::string_view w(word);
    if (w.empty() || w == "none") {
        *every = TEVRA_ROTATE_NONE;
    } else if (w == "hourly") {
        *every = TEVRA_ROTATE_HOURLY;
    } else if (w == "daily") {
        *every = TEVRA_ROTATE_DAILY;
    } else {
        return false;
    }
    return true;
}

}  // namespace

int open_output_file(const char *path, const OutputOptions &options, tevra_output *out) {
    const std::string_view size_text = trimmed(options.max_size);
    const std::string_view rotate_text = trimmed(options.rotate);
    if (size_text.empty() && rotate_text.empty()) {
        return open_path_file(out, path, false, options.file_mode);
    }
    uint64_t max_bytes = 0;
    int every = TEVRA_ROTATE_NONE;
    uint64_t max_files = kDefaultMaxFiles;
    const std::string_view files_text = trimmed(options.max_files);
    if ((!size_text.empty() && !parse_size(size_text, &max_bytes)) ||
        !parse_period(options.rotate, &every) ||
        (!files_text.empty() && (!parse_count(files_text, &max_files) || max_files > UINT32_MAX))) {
        return EINVAL;
    }
    return open_rotating_output(out, path, max_bytes, every, static_cast<unsigned>(max_files),
                                options.file_mode);
}

}  // namespace tev
