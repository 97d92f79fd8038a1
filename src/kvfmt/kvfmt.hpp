// SPDX-License-Identifier: MIT
// Template layouts inside the library: parsing and resetting, shared by the
// parser, the cache and materialisation.
#pragma once

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
int resolve_locked(tevra_shared *shared, const char *text, tevra_kvfmt_layout *scratch,
                   tevra_kvfmt_layout **out);

}  // namespace tev::kvfmt
