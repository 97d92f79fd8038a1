// SPDX-License-Identifier: MIT
// A second renderer of whole log lines, written from the documented line
// formats alone (JSON and console, plain and with the default palette) and
// kept slow and obvious, so tests can compare the library's lines with it
// byte for byte.
#pragma once

#include <tevra.h>

#include <cstdint>
#include <string>
#include <vector>

namespace reference {

// How a field came to be: the constructor (which decides how its key and
// value were classified), or a template verb.
enum class Make {
    kNull,
    kStr,
    kStrN,
    kTrustedStr,
    kI64,
    kU64,
    kF64,
    kBool,
    kPtr,
    kBytes,
    kTime,
    kDuration,
    kErrno,
    kTemplateStr,  // %s; the other verbs give the field kinds above
};

struct Field {
    Make make = Make::kNull;
    const char *key = nullptr;  // NUL-terminated, or NULL
    // Template keys are written as they are, in every mode.
    bool templated = false;
    // Strings (NULL when value_null), the byte run.
    std::string text;
    bool value_null = false;
    int64_t i = 0;
    uint64_t u = 0;
    double d = 0;
    bool b = false;
    uintptr_t ptr = 0;
    tevra_time time{};
    tevra_duration duration{};
    int err = 0;
};

struct Settings {
    bool json = true;
    bool color = false;
    bool verbose = false;
    bool non_finite_null = false;
    bool timestamps = false;
    bool level_field = false;
    int min_level = TEVRA_LEVEL_TRACE;
};

// The line's timestamp as the layout without a time format shows the
// second 2025-03-01T10:15:30Z in UTC.
constexpr int64_t kClockSecond = 1740824130;

// One whole line, line feed included. A NULL message is `msg_null`.
std::string line(const Settings &settings, int level, bool msg_null, const std::string &msg,
                 const std::vector<Field> &bound, const std::vector<Field> &fields);

}  // namespace reference
