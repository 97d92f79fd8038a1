#!/usr/bin/env bash
# Checks bench/compare.sh on made-up benchmark output: medians over the
# repetitions, per-case rows in the program's order, ratios, the rows of one
# logger and the added cost of a new double. Exits non-zero on a difference.
set -euo pipefail
cd "$(dirname "$0")/../.."
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Three repetitions' medians arrive as one aggregate; the mean must be ignored.
cat >"$work/program" <<'STUB'
#!/bin/sh
cat <<'JSON'
{"context": {"num_cpus": 2, "date": "D", "cases": "json_fields,json_color_fields,filtered,json_double_fresh,json_double_cached"},
 "benchmarks": [
  {"run_name": "side_by_side/threads:1", "run_type": "aggregate", "aggregate_name": "mean", "repetitions": 3,
   "json_fields.tevra_ns": 999, "json_fields.spdlog_ns": 999},
  {"run_name": "side_by_side/threads:1", "run_type": "aggregate", "aggregate_name": "median", "repetitions": 3,
   "json_color_fields.tevra_ns": 130, "json_color_fields.spdlog_ns": 260, "json_color_fields.floor_ns": 13, "json_color_fields.bytes": 261,
   "json_fields.tevra_ns": 100, "json_fields.spdlog_ns": 250, "json_fields.floor_ns": 10, "json_fields.bytes": 140,
   "filtered.tevra_ns": 2, "filtered.spdlog_ns": 4,
   "json_double_fresh.tevra_ns": 160, "json_double_fresh.spdlog_ns": 300, "json_double_fresh.floor_ns": 10,
   "json_double_cached.tevra_ns": 100, "json_double_cached.spdlog_ns": 300, "json_double_cached.floor_ns": 10}
 ]}
JSON
STUB
chmod +x "$work/program"
TEVRA_COMPARE="$work/program" bench/compare.sh >"$work/out"

cat >"$work/expected" <<'TABLE'
2 CPUs, D; ns per line: each side's median block, median of 3 runs

| case | line bytes | tevra ns | spdlog ns | floor ns | tevra/spdlog | tevra/floor |
|---|---:|---:|---:|---:|---:|---:|
| json_fields | 140 | 100.0 | 250.0 | 10.0 | 0.40 | 10.00 |
| json_color_fields | 261 | 130.0 | 260.0 | 13.0 | 0.50 | 10.00 |
| filtered | – | 2.0 | 4.0 | – | 0.50 | – |
| json_double_fresh | – | 160.0 | 300.0 | 10.0 | 0.53 | 16.00 |
| json_double_cached | – | 100.0 | 300.0 | 10.0 | 0.33 | 10.00 |

| within one logger | tevra | spdlog |
|---|---:|---:|
| JSON coloured / plain | 1.30 | 1.04 |
| JSON new double / cached double | 1.60 | 1.00 |

A double not seen before adds 60.0 ns (tevra), 0.0 ns (spdlog) to the line.
TABLE
diff -u "$work/expected" "$work/out"
echo "compare.sh: 1 passed, 0 failed"
