// SPDX-License-Identifier: MIT
// The escapes of the default palette, by role, written out once for every
// test that spells a coloured line by hand. They are copied from the
// documented palette, never read from the library, so that a change to the
// library's table shows up as a failing line.
#pragma once

#include <string>

namespace tevra_test::default_palette {

inline const std::string kKey = "\x1b[36m";
inline const std::string kString = "\x1b[1;34m";
inline const std::string kNumber = "\x1b[35m";
inline const std::string kBool = "\x1b[33m";
inline const std::string kNull = "\x1b[90m";
inline const std::string kTimestamp = "\x1b[90m";
inline const std::string kMessage = "\x1b[1m";
inline const std::string kMessageKey = "\x1b[36m";
inline const std::string kReset = "\x1b[0m";

// Level colours; errno values take the colour of the error level, and
// nolevel that of null.
inline const std::string kTrace = "\x1b[34m";
inline const std::string kDebug = "\x1b[32m";
inline const std::string kInfo = "\x1b[1;32m";
inline const std::string kWarn = "\x1b[1;33m";
inline const std::string kError = "\x1b[1;31m";
inline const std::string kFatal = "\x1b[1;31m";
inline const std::string kPanic = "\x1b[1;31m";
inline const std::string kNolevel = kNull;

}  // namespace tevra_test::default_palette
