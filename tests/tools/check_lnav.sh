#!/usr/bin/env bash
# lnav, headless, reads lines of every tevra mode through the formats of
# data/lnav and gives each line the level it was written at. Lines come
# from tevra-log: JSON with short and verbose keys, console lines with and
# without colour, with the default six-digit time and RFC 3339 times.
# Usage: check_lnav.sh TOOLS_DIR FORMATS_DIR
set -euo pipefail
tools_dir=$1
formats_dir=$2
command -v lnav >/dev/null || { echo "lnav is missing: scripts/deps.sh installs it" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/formats/tevra"
cp "$formats_dir"/*.json "$work/config/formats/tevra/"
# lnav keeps its state under HOME; a zone with an offset shows it in RFC 3339.
export HOME="$work" TZ=Asia/Kolkata
unset NO_COLOR TERM $(compgen -v LOG_ || true)

levels=(trace debug info warn error fatal panic nolevel)
declare -A lnav_level=([trace]=trace [debug]=debug [info]=info [warn]=warning [error]=error
                       [fatal]=critical [panic]=fatal [nolevel]=info)
failures=0

# sample NAME FORMAT [VAR=VALUE]...: one line per level, then lnav's view.
sample() {
  local name=$1 format=$2 file="$work/$1.log"
  shift 2
  for level in "${levels[@]}"; do
    env LOG_LEVEL=trace LOG_OUTPUT="$file" "$@" "$tools_dir/tevra-log" -l "$level" "m-$level" key=value n:=1
  done
  local out
  if ! out=$(lnav -n -I "$work/config" -c ';SELECT log_format, log_level, log_body FROM all_logs' \
                  -c ':write-csv-to -' "$file" 2>&1); then
    echo "$name: lnav failed: $out"
    failures=$((failures + 1))
    return
  fi
  local seen=0 row fmt lvl body
  while IFS= read -r row; do
    [ "$row" = "log_format,log_level,log_body" ] && continue
    IFS=, read -r fmt lvl body <<<"$row"
    local written=${body%% *}
    written=${written#m-}
    if [ "$fmt" != "$format" ] || [ -z "${lnav_level[$written]:-}" ] || [ "$lvl" != "${lnav_level[$written]}" ]; then
      echo "$name: lnav read '$row'"
      failures=$((failures + 1))
    fi
    seen=$((seen + 1))
  done <<<"$out"
  if [ "$seen" -ne "${#levels[@]}" ]; then
    echo "$name: lnav showed $seen of ${#levels[@]} lines:"
    cat -v "$file"
    failures=$((failures + 1))
  fi
}

sample json tevra_json LOG_MODE=json
sample json-nano-utc tevra_json LOG_MODE=json LOG_TIME_FORMAT=RFC3339Nano LOG_UTC=1
sample json-verbose tevra_json_verbose LOG_MODE=json LOG_VERBOSE_FIELDS=1
sample console tevra_console
sample console-colour tevra_console LOG_FORCE_COLOR=1
sample console-rfc3339 tevra_console LOG_TIME_FORMAT=RFC3339
sample console-nano-colour-utc tevra_console LOG_TIME_FORMAT=RFC3339Nano LOG_FORCE_COLOR=1 LOG_UTC=1

if [ "$failures" -ne 0 ]; then
  echo "$failures problems"
  exit 1
fi
echo "lnav read every line of 7 samples with its level"
