// SPDX-License-Identifier: MIT
// tevra's side of the comparison: a logger for a case's line shape and the
// call the case makes through it.
#pragma once

#include "cases.hpp"

#include <tevra.h>

#include <array>
#include <string>

namespace tevra_compare {

class TevraSide {
  public:
    // Lines go to `capture` when it is non-NULL, otherwise they are dropped.
    TevraSide(const Case &c, std::string *capture);
    ~TevraSide();
    TevraSide(const TevraSide &) = delete;
    TevraSide &operator=(const TevraSide &) = delete;

    template <Call call>
    void write(double ratio) {
        if constexpr (call == Call::fields) {
            tevra_field fields[5] = {
                tevra_str("user", kUser),      tevra_i64("status", kStatus), tevra_f64("ratio", ratio),
                tevra_bool("cached", kCached), tevra_str("path", kPath),
            };
            tevra_info(log_, kMessage, fields, 5);
        } else if constexpr (call == Call::fields_once) {
            tevra_info(log_, kMessage, fields_.data(), fields_.size());
        } else if constexpr (call == Call::kvfmt) {
            tevra_infof(log_, kMessage, kTemplate, kUser, static_cast<int>(kStatus), ratio, kCached ? 1 : 0, kPath);
        } else if constexpr (call == Call::message_only) {
            tevra_info(log_, kMessage, nullptr, 0);
        } else {
            tevra_debug(log_, kMessage, fields_.data(), fields_.size());
        }
    }

  private:
    tevra_logger *log_;
    std::array<tevra_field, 5> fields_;  // the event's fields, built once
};

}  // namespace tevra_compare
