// SPDX-License-Identifier: MIT
// The observed output: forwards to an inner output, counts the writes that
// failed or fell short, and reports each one to the application. Its
// counters are read by other threads while lines are written.
#include <atomic>
#include <cstring>

#include "tevra.h"

namespace tev {
namespace {

// The counters are plain members of a public record, written under the
// logger's write_lock but read without it by stats_get; an atomic view
// keeps those reads well defined without changing the record's layout.
void bump(unsigned int &counter) {
    std::atomic_ref<unsigned int>(counter).fetch_add(1, std::memory_order_relaxed);
}

unsigned int peek(const unsigned int &counter) {
    auto &target = const_cast<unsigned int &>(counter);
    return std::atomic_ref<unsigned int>(target).load(std::memory_order_relaxed);
}

void init(tevra_observed_output *obs, const tevra_output *inner,
          void (*on_failure)(void *, const tevra_write_failure *), void *failure_user) {
    // Copied before the record is cleared, in case it lives inside it.
    const tevra_output copy = inner != nullptr ? *inner : tevra_output{};
    std::memset(obs, 0, sizeof *obs);
    obs->inner = copy;
    obs->on_failure = on_failure;
    obs->failure_user = failure_user;
    obs->output.write = &tevra_observed_write;
    obs->output.close = &tevra_observed_close;
    obs->output.isatty = &tevra_observed_isatty;
    obs->output.user_data = obs;
    obs->output.owns = obs->inner.owns;
}

int observed_write(tevra_observed_output *obs, const void *data, size_t len, size_t *written) {
    size_t got = 0;
    int rc = obs->inner.write(obs->inner.user_data, data, len, &got);
    // The count is passed on as the sink reported it, and any count but the
    // one asked for is a fault worth seeing: a sink that claims more bytes
    // than it was given is as broken as one that takes fewer. Whoever loops
    // on the count (the write loop, a tee) keeps itself within its data.
    if (written != nullptr) *written = got;
    bool short_write = got != len;
    if (rc != 0 || short_write) {
        bump(obs->failures);
        if (short_write) bump(obs->short_writes);
        if (obs->on_failure != nullptr) {
            const tevra_write_failure failure{rc, short_write ? 1 : 0, got, len};
            obs->on_failure(obs->failure_user, &failure);
        }
    }
    return rc;
}

}  // namespace
}  // namespace tev

extern "C" {

void tevra_observed_output_init(tevra_observed_output *obs, const tevra_output *inner,
                                void (*on_failure)(void *, const tevra_write_failure *),
                                void *failure_user) {
    if (obs == nullptr) return;
    tev::init(obs, inner, on_failure, failure_user);
}

tevra_observed_stats tevra_observed_output_stats_get(const tevra_observed_output *obs) {
    tevra_observed_stats stats{0, 0};
    if (obs == nullptr) return stats;
    stats.failures = tev::peek(obs->failures);
    stats.short_writes = tev::peek(obs->short_writes);
    return stats;
}

int tevra_observed_write(void *user_data, const void *data, size_t len, size_t *written) {
    auto *obs = static_cast<tevra_observed_output *>(user_data);
    // Nothing to observe: the bytes go nowhere, which is not a failure.
    if (obs == nullptr || obs->inner.write == nullptr) {
        if (written != nullptr) *written = len;
        return 0;
    }
    return tev::observed_write(obs, data, len, written);
}

int tevra_observed_close(void *user_data) {
    auto *obs = static_cast<tevra_observed_output *>(user_data);
    if (obs == nullptr || obs->inner.close == nullptr || obs->inner.user_data == nullptr ||
        obs->inner.owns == 0) {
        return 0;
    }
    return obs->inner.close(obs->inner.user_data);
}

int tevra_observed_isatty(void *user_data) {
    auto *obs = static_cast<const tevra_observed_output *>(user_data);
    if (obs == nullptr || obs->inner.isatty == nullptr) return 0;
    return obs->inner.isatty(obs->inner.user_data);
}

}  // extern "C"
