// SPDX-License-Identifier: MIT
// The template room as the rest of the library uses it: parsing layouts,
// the per-tree layout cache and turning a layout into field records. Like
// the encoder rooms it keeps its names in its own namespace.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "tevra.h"

namespace tev::kvfmt {

// Frees the layout's own copy of its text and zeroes the record.
void reset_layout(tevra_kvfmt_layout *layout);
// Parses `text` into `layout` (copying the text first when `copy` is set);
// 0, or -1 with the layout reset.
int parse_layout(tevra_kvfmt_layout *layout, const char *text, int copy);

// Resolves a template to a cached layout or to `scratch` under the shared
// record's `lock` (without a record: parses into `scratch`). 0, or -1 for
// an invalid template. When `*out` is `scratch`, the caller frees its
// `template_copy` once done with it.
int resolve(tevra_shared *shared, const char *text, tevra_kvfmt_layout *scratch,
            tevra_kvfmt_layout **out);
// As resolve, for a caller that already holds `lock`.
int resolve_locked(tevra_shared *shared, const char *text, tevra_kvfmt_layout *scratch,
                   tevra_kvfmt_layout **out);
// Pre-renders the entries' key texts (the console key lead-in, stored as
// `console_prefix`, and the JSON key) into a cached layout.
void prepare_entry(const tevra_shared *shared, tevra_kvfmt_layout *layout);

// Fills `fields` (room for TEVRA_KVFMT_MAX_ITEMS) from the layout and the
// arguments and sets `*count`; 0, or -1 for a layout with too many items.
int materialize(const tevra_kvfmt_layout *layout, tevra_field *fields, size_t *count, int json_mode,
                int saved_errno, va_list args);

}  // namespace tev::kvfmt
