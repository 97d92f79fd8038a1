// SPDX-License-Identifier: MIT
// spdlog's side of the comparison: a synchronous logger whose one sink
// formats every line in full and hands it to the shared sink, set up to
// write the same bytes as tevra for each case.
#pragma once

#include "cases.hpp"

#include <spdlog/logger.h>

#include <memory>
#include <string>

namespace tevra_compare {

class SpdlogSide {
  public:
    // Lines go to `capture` when it is non-NULL, otherwise they are dropped.
    SpdlogSide(const Case &c, std::string *capture);

    // The payload is built by fmt from the same values tevra is given; the
    // fixed parts of the line (time, level, colours, bound fields) are in
    // the pattern, as an spdlog user would put them.
    template <Call call>
    void write(double ratio) {
        if constexpr (call == Call::message_only) {
            log_->info(kMessage);
        } else if constexpr (call == Call::filtered) {
            log_->debug(fmt::runtime(payload_), kMessage, kUser, kStatus, ratio, kCached, kPath);
        } else {
            log_->info(fmt::runtime(payload_), kMessage, kUser, kStatus, ratio, kCached, kPath);
        }
    }

  private:
    std::shared_ptr<spdlog::logger> log_;
    std::string payload_;  // fmt format string of the message and five fields
};

}  // namespace tevra_compare
