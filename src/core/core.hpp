// SPDX-License-Identifier: MIT
// The core room as the other rooms use it: loggers and their shared record,
// derivation, the level filter and the bound-field prefix. Rooms that
// provide groundwork for every other room (core, text, output, palette)
// keep their functions in `tev`; the template room and the encoders, whose
// functions render the same things in different forms, use `tev::<room>`.
// Every function here expects non-NULL pointers; the exported functions
// check their arguments and call these.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string_view>

#include "tevra.h"

namespace tev {

// The name of a level ("info"), NUL-terminated; unknown codes are "info".
std::string_view level_name(int level);

// A root logger and its shared record from a configuration (NULL: the
// defaults); NULL when anything fails, an owned output closed then.
tevra_logger *new_logger(const tevra_config *given);
// A logger handle with its operation slots on `shared`, at its level; the
// caller holds a reference for it.
tevra_logger *allocate_logger(tevra_shared *shared);
// Frees the handle, its bound fields and prefix, and gives back its
// reference to the shared record.
void destroy_logger(tevra_logger *log);

// One more reference: 0, or -1 when this thread already holds `lock`.
int retain_shared(tevra_shared *s);
// One reference less; the last frees the record and closes an owned output.
void release_shared(tevra_shared *s);
// Closes the owned output once for the tree (when `close_output`); returns
// the close result, EDEADLK from inside the tree's own sink.
int close_shared(tevra_shared *s, int close_output);
// 1 when a line at `level` passes the logger's threshold and the tree is
// open. Accepts NULL (then 0).
int should_log(const tevra_logger_state *state, int level);

// A child with the parent's bound fields followed by deep copies of
// `fields`; NULL on failure.
tevra_logger *clone_with_fields(tevra_logger *parent, const tevra_field *fields, size_t count);
// A child with the template's pairs bound (NULL template: a plain clone).
tevra_logger *vwithf(tevra_logger *log, const char *kvfmt, va_list args);

// Renders the bound fields into the state's prefix, replacing the old one;
// 0, or -1 when memory ran out. Expects a state with a shared record.
int build_field_prefix(tevra_logger_state *state);

}  // namespace tev
