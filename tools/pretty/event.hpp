// SPDX-License-Identifier: MIT
// Which members of a JSON line are the event's time, level and message, in
// tevra's short and verbose keys and in the names other loggers use; the
// rest are its fields, in their order.
#pragma once

#include <vector>

#include "pretty/json_line.hpp"

namespace tevra_pretty {

struct Event {
    int level;                         // TEVRA_LEVEL_NOLEVEL when none was found
    const JsonMember *time = nullptr;  // a string or number member, or none
    const JsonMember *message = nullptr;
    std::vector<const JsonMember *> fields;
};

// The first member with a known key and a usable value takes each role
// (a time, level or message written again later stays a field, as tevra
// writes a call field named "msg" after its own). Members must outlive
// the event.
Event classify(const std::vector<JsonMember> &members);

// A level name as tevra and other loggers write it ("warn", "WARNING",
// "err", "critical", ...), or a numeric level of the 10..60 scale; false
// for anything else.
bool level_from_member(const JsonMember &m, int *level);

}  // namespace tevra_pretty
