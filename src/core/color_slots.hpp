// SPDX-License-Identifier: MIT
// The roles a palette colour plays, in the order of the shared record's
// cached colour lengths. Only names: the record and the palette members
// behind each slot are in core/shared.hpp.
#pragma once

namespace tev {

// Order of the cached palette string lengths in `color_lens`.
enum ColorSlot : int {
    kKeyColor = 0,
    kStringColor,
    kNumberColor,
    kBoolColor,
    kNullColor,
    kTimestampColor,
    kMessageColor,
    kMessageKeyColor,
    kReset,
    kTraceColor,  // trace .. nolevel in level order, as core/level_table.hpp lists them
    kDebugColor,
    kInfoColor,
    kWarnColor,
    kErrorColor,
    kFatalColor,
    kPanicColor,
    kNolevelColor,  // null_color again, as the colour of level 6
    kColorLensCount
};

}  // namespace tev
