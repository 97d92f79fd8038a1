// SPDX-License-Identifier: MIT
// The floor under every line: what any logger must at least do with a line
// it has finished. Copy it into a stack buffer, take one lock, call the sink
// through a pointer, unlock. Rendering costs nothing here.
#pragma once

#include "cases.hpp"

#include <pthread.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace tevra_compare {

class FloorSide {
  public:
    // The line is the one tevra writes for the case, rendered once here.
    FloorSide(const Case &c, std::string *capture);
    ~FloorSide();
    FloorSide(const FloorSide &) = delete;
    FloorSide &operator=(const FloorSide &) = delete;

    size_t line_size() const { return line_.size(); }

    template <Call>
    void write(double) {
        char copy[kCopySize];
        size_t len = std::min(line_.size(), sizeof copy);
        std::memcpy(copy, line_.data(), len);
        pthread_mutex_lock(&mutex_);
        size_t written;
        sink_(capture_, copy, len, &written);
        pthread_mutex_unlock(&mutex_);
    }

  private:
    static constexpr size_t kCopySize = 1024;  // tevra's default line buffer
    std::string line_;
    pthread_mutex_t mutex_;
    int (*sink_)(void *, const void *, size_t, size_t *);
    void *capture_;
};

}  // namespace tevra_compare
