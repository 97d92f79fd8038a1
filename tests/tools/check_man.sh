#!/usr/bin/env bash
# Every manual page renders through man -l, and groff finds nothing to warn
# about in it (-ww turns on every warning).
# Usage: check_man.sh PAGE...
set -euo pipefail
for tool in groff man; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: scripts/deps.sh installs it" >&2; exit 1; }
done
export LC_ALL=C.UTF-8 MANWIDTH=80
man_err=$(mktemp)
trap 'rm -f "$man_err"' EXIT
status=0
for page in "$@"; do
  warnings=$(groff -ww -z -t -man "$page" 2>&1)
  rendered=$(man --warnings -l "$page" 2>"$man_err" | col -b) || true
  man_warnings=$(cat "$man_err")
  if [ -n "$warnings$man_warnings" ]; then
    echo "$page: $warnings $man_warnings"
    status=1
  fi
  name=$(basename "$page")
  # The NAME section names the page itself.
  if ! grep -q "^ *${name%.*} - " <<<"$rendered"; then
    echo "$page: rendered page has no NAME line for ${name%.*}"
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "$# pages render without warnings"
exit "$status"
