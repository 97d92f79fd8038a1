// SPDX-License-Identifier: MIT
// What each field kind is written with, in one table indexed by kind code:
// the value colour on console and JSON lines and the room a bound field's
// value is allowed before it is rendered. Beside it, each template verb
// with the kind it stands for.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/color_slots.hpp"
#include "tevra.h"

namespace tev {

// No colour at all: nothing is written before the value.
inline constexpr ColorSlot kNoColor = kColorLensCount;

struct KindRow {
    uint32_t kind;
    ColorSlot console_color;  // after the console ` key=`
    ColorSlot json_color;     // around the JSON value
    // Bytes a bound field's value is allowed when its prefix is sized:
    // strings add their recorded length (times 6 in JSON, 4 on the console,
    // for escapes), byte runs two hex digits a byte.
    size_t allowance;
};

inline constexpr std::array<KindRow, TEVRA_FIELD_ERRNO + 1> kKindRows = {{
    {TEVRA_FIELD_NULL, kNullColor, kNullColor, 8},
    {TEVRA_FIELD_STRING, kStringColor, kStringColor, 4},
    {TEVRA_FIELD_INT64, kNumberColor, kNumberColor, 64},
    {TEVRA_FIELD_UINT64, kNumberColor, kNumberColor, 64},
    {TEVRA_FIELD_FLOAT64, kNumberColor, kNumberColor, 64},
    {TEVRA_FIELD_BOOL, kBoolColor, kBoolColor, 8},
    // Bare on the console, so coloured as a number; a quoted string in JSON.
    {TEVRA_FIELD_POINTER, kNumberColor, kStringColor, 64},
    {TEVRA_FIELD_BYTES, kStringColor, kStringColor, 4},
    {TEVRA_FIELD_TIME, kTimestampColor, kTimestampColor, 80},
    {TEVRA_FIELD_DURATION, kStringColor, kStringColor, 64},
    {TEVRA_FIELD_ERRNO, kErrorColor, kErrorColor, 32},
}};

// A code the enumeration does not name: an empty console value, and null
// in JSON so that the member stays well formed.
inline constexpr KindRow kUnknownKindRow = {UINT32_MAX, kNoColor, kNullColor, 32};

constexpr const KindRow &kind_row(uint32_t kind) {
    return kind < kKindRows.size() ? kKindRows[kind] : kUnknownKindRow;
}

struct VerbRow {
    uint32_t verb;
    uint32_t kind;  // of the field the verb's argument becomes
    // False for %m: its console colour is written with its text rather
    // than stored in the pre-rendered ` key=` text.
    bool colour_in_lead_in;
};

inline constexpr std::array<VerbRow, TEVRA_KVFMT_ERRNO + 1> kVerbRows = {{
    {TEVRA_KVFMT_STRING, TEVRA_FIELD_STRING, true},
    {TEVRA_KVFMT_INT, TEVRA_FIELD_INT64, true},
    {TEVRA_KVFMT_LONG, TEVRA_FIELD_INT64, true},
    {TEVRA_KVFMT_UINT, TEVRA_FIELD_UINT64, true},
    {TEVRA_KVFMT_ULONG, TEVRA_FIELD_UINT64, true},
    {TEVRA_KVFMT_DOUBLE, TEVRA_FIELD_FLOAT64, true},
    {TEVRA_KVFMT_POINTER, TEVRA_FIELD_POINTER, true},
    {TEVRA_KVFMT_BOOL, TEVRA_FIELD_BOOL, true},
    {TEVRA_KVFMT_ERRNO, TEVRA_FIELD_ERRNO, false},
}};

// The colour that ends a template item's console ` key=` text; none for
// %m and for codes the parser never produces.
constexpr ColorSlot verb_lead_in_color(uint32_t verb) {
    if (verb >= kVerbRows.size() || !kVerbRows[verb].colour_in_lead_in) return kNoColor;
    return kind_row(kVerbRows[verb].kind).console_color;
}

namespace detail {

constexpr bool kind_rows_in_order() {
    for (size_t i = 0; i < kKindRows.size(); ++i) {
        if (kKindRows[i].kind != i) return false;
    }
    for (size_t i = 0; i < kVerbRows.size(); ++i) {
        if (kVerbRows[i].verb != i || kVerbRows[i].kind >= kKindRows.size()) return false;
    }
    return true;
}

}  // namespace detail

static_assert(detail::kind_rows_in_order(), "one row per kind and per verb, in code order");
static_assert(kind_row(TEVRA_FIELD_ERRNO + 1).console_color == kNoColor);
static_assert(verb_lead_in_color(TEVRA_KVFMT_POINTER) == kNumberColor);
static_assert(verb_lead_in_color(TEVRA_KVFMT_ERRNO) == kNoColor);

}  // namespace tev
