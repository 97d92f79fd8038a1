// SPDX-License-Identifier: MIT
// The tee: two outputs fed the same bytes in turn. Each keeps its own
// offset and its own fate, so a sink that accepts part of a call is given
// the rest in the next pass and a sink that fails never holds back the other.
#include "tevra.h"

namespace tev {
namespace {

constexpr int kTeeEio = 5;  // a stop on a zero count, which carries no errno

// Both outputs get the whole text, each on its own: the passes alternate
// between them, short writes are completed per output, and an output that
// fails (or takes nothing) is left where it stopped while the other goes
// on. A terminal that went away must not cost the log file its lines.
int tee_write(tevra_tee *tee, const unsigned char *bytes, size_t len, size_t *written) {
    tevra_output *outs[2] = {&tee->first, &tee->second};
    // An output without write has nothing to receive: it starts complete.
    size_t offset[2] = {outs[0]->write == nullptr ? len : 0, outs[1]->write == nullptr ? len : 0};
    int result[2] = {0, 0};
    bool pending = true;
    while (pending) {
        pending = false;
        for (int i = 0; i < 2; ++i) {
            if (offset[i] >= len || result[i] != 0) continue;
            size_t remainder = len - offset[i];
            size_t got = 0;
            int rc = outs[i]->write(outs[i]->user_data, bytes + offset[i], remainder, &got);
            if (got > remainder) got = remainder;
            // Bytes taken by a call that also failed were still delivered,
            // but the failure stands: it is reported even when the output
            // took every byte.
            offset[i] += got;
            if (rc == 0 && got == 0) rc = kTeeEio;
            result[i] = rc;
            pending = pending || (rc == 0 && offset[i] < len);
        }
    }
    if (written != nullptr) *written = offset[0] < offset[1] ? offset[0] : offset[1];
    return result[0] != 0 ? result[0] : result[1];
}

int tee_isatty(const tevra_tee *tee) {
    if (tee->first.isatty != nullptr && tee->first.isatty(tee->first.user_data) != 0) return 1;
    if (tee->second.isatty == nullptr) return 0;
    return tee->second.isatty(tee->second.user_data) != 0 ? 1 : 0;
}

// Only what the tee owns is closed; a borrowed stream (standard output in
// "stdout+file") stays open.
int close_owned(tevra_output *out) {
    if (out->close == nullptr || out->user_data == nullptr || out->owns == 0) return 0;
    return out->close(out->user_data);
}

int tee_close(tevra_tee *tee) {
    int first = close_owned(&tee->first);
    int second = close_owned(&tee->second);
    tevra_free_internal(tee);
    return first != 0 ? first : second;
}

}  // namespace
}  // namespace tev

extern "C" {

int tevra_tee_write(void *user_data, const void *data, size_t len, size_t *written) {
    auto *tee = static_cast<tevra_tee *>(user_data);
    if (tee == nullptr || (data == nullptr && len != 0)) {
        if (written != nullptr) *written = 0;
        return -1;
    }
    return tev::tee_write(tee, static_cast<const unsigned char *>(data), len, written);
}

int tevra_tee_close(void *user_data) {
    if (user_data == nullptr) return 0;
    return tev::tee_close(static_cast<tevra_tee *>(user_data));
}

int tevra_tee_isatty(void *user_data) {
    if (user_data == nullptr) return 0;
    return tev::tee_isatty(static_cast<const tevra_tee *>(user_data));
}

}  // extern "C"
