#!/usr/bin/env bash
# Runs the comparison program once and prints its medians as Markdown
# tables: each case's time for tevra, spdlog and the floor with the ratios
# between them, then ratios between tevra's own cases. Arguments go to the
# program (for example --benchmark_filter=json or --benchmark_min_time=1);
# by default each benchmark runs three times, the runs of all benchmarks
# shuffled so that a busy spell of the machine does not fall on one side,
# and the median counts.
# Single-threaded times are CPU time (steadier on a busy machine), the
# two-thread case wall time over the lines of both threads.
set -euo pipefail
cd "$(dirname "$0")/.."
program="${TEVRA_COMPARE:-build/bench/bench/tevra_compare}"
results="$(mktemp)"
trap 'rm -f "$results"' EXIT
"$program" --benchmark_format=json --benchmark_repetitions=3 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true "$@" >"$results"

python3 - "$results" <<'PY'
import json
import sys

with open(sys.argv[1]) as f:
    data = json.load(f)

# The median of each benchmark: Google Benchmark's own aggregate, or, when
# it reported single runs (one repetition), the median of those.
samples, medians, line_bytes, order = {}, {}, {}, {}
for run in data["benchmarks"]:
    case, side = run["run_name"].split("/")[:2]
    if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
        continue
    order.setdefault(case, run.get("family_index", len(order)))
    if "bytes" in run:
        line_bytes[case] = int(run["bytes"])
    seconds = run["real_time"] if run.get("threads", 1) > 1 else run["cpu_time"]
    value = seconds * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[run["time_unit"]]
    if run.get("run_type") == "aggregate":
        medians[case, side] = value
    else:
        samples.setdefault((case, side), []).append(value)
ns = {key: sorted(values)[len(values) // 2] for key, values in samples.items()}
ns.update(medians)
repetitions = max((run.get("repetitions", 1) for run in data["benchmarks"]), default=0)

def ratio(a, b):
    return f"{ns[a] / ns[b]:.2f}" if a in ns and b in ns else "–"

def time(key):
    return f"{ns[key]:.1f}" if key in ns else "–"

context = data["context"]
print(f"{context['num_cpus']} CPUs, {context['date']}; medians of {repetitions} "
      f"repetitions, ns per line\n")
print("| case | line bytes | tevra ns | spdlog ns | floor ns | tevra/spdlog | tevra/floor |")
print("|---|---:|---:|---:|---:|---:|---:|")
# In the program's order, whatever order the runs were shuffled into.
for case in sorted(order, key=order.get):
    t, s, f = (case, "tevra"), (case, "spdlog"), (case, "floor")
    print(f"| {case} | {line_bytes.get(case, '–')} | {time(t)} | {time(s)} | {time(f)} | {ratio(t, s)} | {ratio(t, f)} |")

within = [
    ("JSON template / fields", "json_kvfmt", "json_fields"),
    ("console template / fields", "console_kvfmt", "console_fields"),
    ("JSON coloured / plain", "json_color_fields", "json_fields"),
    ("console coloured / plain", "console_color_fields", "console_fields"),
    ("JSON fields built once / per call", "json_fields_once", "json_fields"),
    ("JSON new double / cached double", "json_double_fresh", "json_double_cached"),
]
rows = [(label, ratio((a, "tevra"), (b, "tevra")), ratio((a, "spdlog"), (b, "spdlog"))) for label, a, b in within]
rows = [row for row in rows if row[1:] != ("–", "–")]
if rows:
    print("\n| within one logger | tevra | spdlog |")
    print("|---|---:|---:|")
    for label, tevra, spdlog in rows:
        print(f"| {label} | {tevra} | {spdlog} |")

added = [(side, ns.get(("json_double_fresh", side)), ns.get(("json_double_cached", side)))
         for side in ("tevra", "spdlog")]
if all(fresh is not None and cached is not None for _, fresh, cached in added):
    print("\nA double not seen before adds " +
          ", ".join(f"{fresh - cached:.1f} ns ({side})" for side, fresh, cached in added) + " to the line.")
PY
