#include "support/capture_sink.hpp"

#include <algorithm>

namespace tevra_test {

tevra_output CaptureSink::output(bool owns) {
    tevra_output out{};
    out.write = &CaptureSink::write_cb;
    out.close = &CaptureSink::close_cb;
    out.isatty = &CaptureSink::isatty_cb;
    out.user_data = this;
    out.owns = owns ? 1 : 0;
    return out;
}

int CaptureSink::write_cb(void *user, const void *data, size_t len, size_t *written) {
    auto *self = static_cast<CaptureSink *>(user);
    std::lock_guard<std::mutex> guard(self->mutex_);
    self->sizes_.push_back(len);
    if (self->fail_error != 0) {
        if (written) *written = 0;
        return self->fail_error;
    }
    size_t n = std::min(len, self->max_accept);
    self->data_.append(static_cast<const char *>(data), n);
    if (written) *written = n;
    return 0;
}

int CaptureSink::close_cb(void *user) {
    auto *self = static_cast<CaptureSink *>(user);
    std::lock_guard<std::mutex> guard(self->mutex_);
    ++self->close_calls_;
    return self->close_result;
}

int CaptureSink::isatty_cb(void *user) { return static_cast<CaptureSink *>(user)->isatty_result; }

std::string CaptureSink::text() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return data_;
}

std::vector<std::string> CaptureSink::lines() const {
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t i = 0; i < data_.size(); ++i) {
        if (data_[i] == '\n') {
            out.push_back(data_.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

std::vector<size_t> CaptureSink::write_sizes() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return sizes_;
}

void CaptureSink::clear() {
    std::lock_guard<std::mutex> guard(mutex_);
    data_.clear();
    sizes_.clear();
}

int CaptureSink::close_calls() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return close_calls_;
}

tevra_config capture_config(CaptureSink &sink, int mode) {
    tevra_config cfg;
    tevra_default_config(&cfg);
    cfg.mode = mode;
    cfg.color = TEVRA_COLOR_NEVER;
    cfg.timestamps = 0;
    cfg.output = sink.output();
    return cfg;
}

}  // namespace tevra_test
