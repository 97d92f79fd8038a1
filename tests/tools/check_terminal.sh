#!/usr/bin/env bash
# The programs in a real terminal (tmux): tevra-log and tevra-pretty colour
# their lines on the terminal, and write none through a pipe or with
# NO_COLOR set. The pane is read back with its attributes (capture-pane -e).
# Usage: check_terminal.sh TOOLS_DIR
set -euo pipefail
tools_dir=$1
command -v tmux >/dev/null || { echo "tmux is missing: scripts/deps.sh installs it" >&2; exit 1; }

work=$(mktemp -d)
socket="tevra-check-$$"
cleanup() {
  tmux -L "$socket" kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

json='{"lvl":"warn","msg":"pretty","n":1}'
cat >"$work/cases.sh" <<SCRIPT
unset NO_COLOR \$(compgen -v LOG_)
log="$tools_dir/tevra-log" pretty="$tools_dir/tevra-pretty"
export LOG_DISABLE_TIMESTAMP=1
echo CASE log-terminal; "\$log" -l warn from-log n:=1
echo CASE log-pipe; "\$log" -l warn from-log n:=1 | cat
echo CASE log-no-color; NO_COLOR=1 "\$log" -l warn from-log n:=1
echo CASE pretty-terminal; echo '$json' | "\$pretty"
echo CASE pretty-pipe; echo '$json' | "\$pretty" | cat
echo CASE pretty-no-color; echo '$json' | NO_COLOR=1 "\$pretty"
echo CASE-END
exec sleep 60
SCRIPT
tmux -L "$socket" -f /dev/null new-session -d -x 200 -y 40 "bash --noprofile --norc $work/cases.sh"

for _ in $(seq 100); do
  tmux -L "$socket" capture-pane -p -t 0 | grep -q '^CASE-END' && break
  sleep 0.1
done
tmux -L "$socket" capture-pane -p -e -J -t 0 >"$work/pane"

failures=0
# check CASE TEXT COLOURED: the line after the marker shows TEXT, with
# escape sequences when COLOURED is yes and none when it is no.
check() {
  # tmux may start the marker's line with the reset of the line before.
  local n line plain
  n=$(sed 's/\x1b\[[0-9;]*m//g' "$work/pane" | grep -n -x "CASE $1" | cut -d: -f1 || true)
  line=$(sed -n "$((${n:-0} + 1))p" "$work/pane")
  plain=$(sed 's/\x1b\[[0-9;]*m//g' <<<"$line")
  if [ "$plain" != "$2" ]; then
    echo "$1: the terminal shows '$(cat -v <<<"$line")'"
    failures=$((failures + 1))
  fi
  if { [ "$3" = yes ] && [[ "$line" != *$'\e['* ]]; } || { [ "$3" = no ] && [[ "$line" == *$'\e'* ]]; }; then
    echo "$1: expected colour $3, the terminal shows '$(cat -v <<<"$line")'"
    failures=$((failures + 1))
  fi
}
check log-terminal "WRN from-log n=1" yes
check log-pipe "WRN from-log n=1" no
check log-no-color "WRN from-log n=1" no
check pretty-terminal "WRN pretty n=1" yes
check pretty-pipe "WRN pretty n=1" no
check pretty-no-color "WRN pretty n=1" no
if [ "$failures" -ne 0 ]; then
  cat -v "$work/pane"
  exit 1
fi
echo "colour on the terminal, none through a pipe or with NO_COLOR"
